section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/api ./api.ini
console api-erase /tmp/api ./erase.mrv
