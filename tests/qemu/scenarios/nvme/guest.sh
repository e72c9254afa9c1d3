section modules load_modules nvme
wait_for /dev/nvme0n1
make_home /tmp/api ./mrv40.ini
console passport /tmp/api ./passport.mrv
section smartctl-a smartctl -a /dev/nvme0
make_home /tmp/erase ./mrv40.ini
console erase /tmp/erase ./erase.mrv
