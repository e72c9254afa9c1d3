# The same steps as pci-scan, on a bus with an AHCI controller.
cd ../pci-scan && . ./guest.sh
