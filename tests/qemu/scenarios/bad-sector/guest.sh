section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/pio ./pio.ini
section pio-probe sector_probe --home /tmp/pio mode read 5000 check 4999 HOST write 6000 E1 check 6000 E1
console pio-passport /tmp/pio ./passport.mrv
make_home /tmp/api ./api.ini
section api-probe sector_probe --home /tmp/api mode read 5000 check 4999 HOST write 6000 E1 check 6000 E1
console api-passport /tmp/api ./passport.mrv
