# Helpers for the guest side of a scenario (sourced by /init before guest.sh).
# Every command's output is framed as
#   MRV-BEGIN name
#   ...
#   MRV-END name rc=N
# so that the host can cut it out of the serial log.

# Loads module groups (see build-initramfs.sh) in dependency order.
load_modules() {
  local group mod
  for group in "$@"; do
    [ -f "/lib/modules/mrv/$group.order" ] || { echo "no module group $group"; return 1; }
    for mod in $(cat "/lib/modules/mrv/$group.order"); do
      local optional=0
      case "$mod" in "?"*) optional=1; mod="${mod#?}" ;; esac
      grep -q "^$(basename "$mod" .ko | tr - _) " /proc/modules && continue
      if ! insmod "/lib/modules/mrv/$mod" 2>/tmp/insmod.err; then
        [ "$optional" -eq 1 ] && continue
        cat /tmp/insmod.err
        echo "insmod $mod failed"
        return 1
      fi
    done
  done
}

# Waits up to $2 seconds (default 20) for a device node or file to appear.
wait_for() {
  local path="$1" left="${2:-20}"
  while [ ! -e "$path" ]; do
    [ "$left" -le 0 ] && { echo "$path did not appear"; return 1; }
    sleep 1
    left=$((left - 1))
  done
}

# Runs a command as a framed section: section NAME COMMAND...
section() {
  local name="$1" rc
  shift
  echo "MRV-BEGIN $name"
  "$@" 2>&1
  rc=$?
  echo "MRV-END $name rc=$rc"
  return 0
}

# A fresh home directory for the program with the given settings file.
make_home() {
  local home="$1" ini="$2"
  rm -rf "$home"
  mkdir -p "$home"
  [ -z "$ini" ] || cp "$ini" "$home/mrv40.ini"
}

# Runs a console script in a home directory: console NAME HOME SCRIPT
console() {
  local name="$1" home="$2" script="$3"
  if [ ! -x /mrv/bin/morvanta-console ]; then
    echo "MRV-BEGIN $name"
    echo "morvanta-console is not in the image"
    echo "MRV-END $name rc=127"
    return 0
  fi
  section "$name" morvanta-console --home "$home" "$script"
}
