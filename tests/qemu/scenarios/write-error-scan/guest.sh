section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/pio ./pio.ini
console pio-write /tmp/pio ./write.mrv
make_home /tmp/api ./api.ini
console api-write /tmp/api ./write.mrv
