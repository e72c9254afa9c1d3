section modules load_modules ahci sd_mod
wait_for /dev/sda
section hdparm-I hdparm -I /dev/sda
section smartctl-i smartctl -i /dev/sda
section smartctl-H smartctl -H /dev/sda
