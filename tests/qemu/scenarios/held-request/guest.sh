section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/short ./pio.ini
console pio-short /tmp/short ./scan.mrv
make_home /tmp/long ./pio.ini
console pio-long /tmp/long ./scan-timeout.mrv
make_home /tmp/api ./api.ini
console api-short /tmp/api ./scan.mrv
