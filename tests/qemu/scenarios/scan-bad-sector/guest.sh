section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/pio ./pio.ini
console pio-scan /tmp/pio ./scan.mrv
make_home /tmp/api ./api.ini
console api-scan /tmp/api ./scan.mrv
