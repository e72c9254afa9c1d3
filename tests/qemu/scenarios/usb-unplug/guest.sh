# The AHCI disk first, so that it stays device 0 when the USB disk leaves.
section modules load_modules ahci sd_mod
wait_for /dev/sda
section usb-modules load_modules xhci-pci usb-storage
wait_for /dev/sdb 30
make_home /tmp/usb ./mrv40.ini
console unplug /tmp/usb ./unplug.mrv
section after sh -c 'ls /sys/block'
