section modules load_modules ahci sd_mod
wait_for /dev/sda
section smartctl-H smartctl -H /dev/sda
section smartctl-A smartctl -A /dev/sda
make_home /tmp/api ./api.ini
console api-smart /tmp/api ./smart.mrv
make_home /tmp/pio ./pio.ini
console pio-smart /tmp/pio ./smart.mrv
