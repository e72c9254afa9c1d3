# PIO first, while no driver claims the PIIX channels; then the AHCI disk.
make_home /tmp/pio ./pio.ini
console pio-hpa /tmp/pio ./hpa.mrv
section modules load_modules ahci sd_mod
wait_for /dev/sda
section hdparm-N-before hdparm -N /dev/sda
make_home /tmp/api ./api.ini
console api-hpa /tmp/api ./hpa.mrv
section size-after cat /sys/block/sda/size
section hdparm-N-after hdparm -N /dev/sda
