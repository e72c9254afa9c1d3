#!/bin/sh
# Builds (into build/) and runs the windowed lab program.
#   tools/run-lab.sh [-b BUILD_DIR] [-s SCALE] [-x SHOT.png] [-k "KEY ..."] [LABFILE]
# With -b the given build directory is used as it is.
# -s sets Qt's scale factor (2 for a 200% screen). -x runs it under a virtual
# X server, presses F2 after start-up, saves a screenshot and quits; the
# program's home is then a fresh temporary directory. -k names further keys
# (xdotool names: F6, F8 ...) pressed after F2, two seconds apart, before the shot.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
scale=1
shot=""
keys=""
while getopts b:s:x:k: opt; do
  case $opt in
    b) build=$OPTARG ;;
    s) scale=$OPTARG ;;
    x) shot=$OPTARG ;;
    k) keys=$OPTARG ;;
    *) echo "usage: $0 [-b BUILD_DIR] [-s SCALE] [-x SHOT.png] [-k \"KEY ...\"] [LABFILE]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
lab=${1:-$here/labs/default.ini}
if [ "$build" = "$here/build" ]; then "$here/tools/build.sh"; fi
exe="$build/morvanta-lab"
[ -x "$exe" ] || { echo "$exe not built" >&2; exit 2; }
export QT_SCALE_FACTOR="$scale"

if [ -z "$shot" ]; then
  exec "$exe" "$lab"
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
width=$((800 * scale)); height=$((600 * scale))
xvfb-run -a -s "-screen 0 ${width}x${height}x24" sh -c "
  '$exe' --home '$home' '$lab' & pid=\$!
  sleep 3
  if command -v xdotool >/dev/null; then
    xdotool key F2; sleep 2
    for key in $keys; do xdotool key \$key; sleep 2; done
  fi
  import -window root '$shot'
  kill \$pid
"
echo "screenshot: $shot"
