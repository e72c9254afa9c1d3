# The pci-scan scenario with an AHCI controller added: it is listed only with
# "All dev".
PCI_AHCI=1
source "$QEMU_DIR/scenarios/pci-scan/host.sh"
