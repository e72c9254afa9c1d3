#!/usr/bin/env bash
# Checks a built Debian package: the files it installs, its desktop entries and
# AppStream data, the dependencies dpkg-shlibdeps found, that the packaged
# console program runs a lab from the package's own data, and lintian.
#   tests/package/check-package.sh build-package/morvanta_*.deb
set -euo pipefail
deb="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$root"
for f in usr/bin/morvanta usr/bin/morvanta-lab usr/bin/morvanta-console usr/bin/morvanta-admin \
         usr/libexec/morvanta/morvanta-session \
         usr/share/morvanta/mrvhlp.htm usr/share/morvanta/labs/default.ini usr/share/morvanta/labs/README.md \
         usr/share/applications/org.morvanta.Morvanta.desktop usr/share/applications/org.morvanta.MorvantaLab.desktop \
         usr/share/metainfo/org.morvanta.Morvanta.metainfo.xml \
         usr/share/polkit-1/actions/org.morvanta.Morvanta.policy \
         usr/share/icons/hicolor/scalable/apps/morvanta.svg usr/share/icons/hicolor/48x48/apps/morvanta.png \
         usr/share/icons/hicolor/256x256/apps/morvanta.png \
         usr/share/man/man1/morvanta.1.gz usr/share/man/man1/morvanta-lab.1.gz \
         usr/share/man/man1/morvanta-console.1.gz usr/share/man/man1/morvanta-admin.1.gz \
         usr/share/doc/morvanta/copyright usr/share/doc/morvanta/changelog.gz; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
[ -x "$root/usr/bin/morvanta-admin" ] || fail "the launcher is not executable"

desktop-file-validate "$root"/usr/share/applications/*.desktop
grep -qx 'Categories=System;Monitor;' "$root/usr/share/applications/org.morvanta.Morvanta.desktop" ||
  fail "the desktop entry's categories"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.morvanta.Morvanta.metainfo.xml"
# The policy's program is the one the package installs.
grep -q '>/usr/libexec/morvanta/morvanta-session<' "$root/usr/share/polkit-1/actions/org.morvanta.Morvanta.policy" ||
  fail "the polkit action names another program"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
[[ "$depends" == *libqt6widgets6* && "$depends" == *libc6* ]] || fail "dependencies not from dpkg-shlibdeps"

# The packaged console program runs on the packaged default lab.
cat > "$root/passport.mrv" <<'SCRIPT'
key F2
expectlog Model:
quit
SCRIPT
"$root/usr/bin/morvanta-console" --lab "$root/usr/share/morvanta/labs/default.ini" --home "$root/home" \
  "$root/passport.mrv" >/dev/null || fail "the packaged console program did not run the lab"

lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "package: $(basename "$deb") checked"
