# No driver claims the PIIX channels: the program owns the ports.
make_home /tmp/pio ./mrv40.ini
console passport /tmp/pio ./passport.mrv
section probe sector_probe --home /tmp/pio mode check 2000 HOST \
  write 0 P0 write 1000 P1 write 99999 P2 check 0 P0 check 1000 P1 check 99999 P2
# Now the kernel's driver takes the channel, for the oracle.
section piix-modules load_modules ata_piix sd_mod
wait_for /dev/sda
section hdparm-I hdparm -I /dev/sda
