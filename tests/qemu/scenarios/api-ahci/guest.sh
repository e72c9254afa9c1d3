section modules load_modules ahci sd_mod
wait_for /dev/sda
make_home /tmp/api ./mrv40.ini
console passport /tmp/api ./passport.mrv
section hdparm-I hdparm -I /dev/sda
section smartctl-i smartctl -i /dev/sda
section smartctl-H smartctl -H /dev/sda
section probe sector_probe --home /tmp/api mode smart-status sat-identify sat-abort check 3000 HOST write 4000 A1 check 4000 A1
