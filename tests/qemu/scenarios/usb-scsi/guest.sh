section modules load_modules xhci-pci usb-storage sd_mod
wait_for /dev/sda 30
section sysfs sh -c 'for f in vendor model rev; do echo "$f=$(cat /sys/block/sda/device/$f)"; done; echo "size=$(cat /sys/block/sda/size)"'
make_home /tmp/usb ./mrv40.ini
console passport /tmp/usb ./passport.mrv
section smartctl-i smartctl -d scsi -i /dev/sda
