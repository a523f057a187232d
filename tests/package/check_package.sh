#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root and checks that the
# files are where the desktop looks for them, that the menu entry validates, that "*.gdt" and a
# table's first bytes map to the table type, and that the installed program, when it may not
# write beside itself, keeps its data in the per-user data folder.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" > cpack.log 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$scratch"/out/scorvane_*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"

for f in usr/bin/scorvane usr/bin/scorvane-cli usr/share/applications/scorvane.desktop \
  usr/share/icons/hicolor/scalable/apps/scorvane.svg usr/share/mime/packages/scorvane-table.xml; do
  [ -s "$root/$f" ] || fail "missing $f"
done
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/scorvane.png
  [ -s "$png" ] || fail "missing ${size}x${size} icon"
  # Width and height from the PNG header.
  read -r w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$png")
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size} icon is ${w}x${h}"
done
[ -x "$root/usr/bin/scorvane" ] || fail "scorvane is not executable"

desktop-file-validate "$root/usr/share/applications/scorvane.desktop" || fail "desktop-file-validate"
grep -qx 'MimeType=application/x-scorvane-table;' "$root/usr/share/applications/scorvane.desktop" ||
  fail "menu entry does not open tables"
grep -qx 'Categories=Office;Education;' "$root/usr/share/applications/scorvane.desktop" || fail "categories"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6printsupport6 libzip4 libqt6svg6 qt6-translations-l10n fonts-noto-cjk; do
  [[ $depends == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

# The desktop's MIME database built from the installed type alone.
mime=$scratch/mime
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/scorvane-table.xml" "$mime/packages/"
update-mime-database "$mime" > /dev/null 2>&1 || fail "update-mime-database"
grep -q '^[0-9]*:application/x-scorvane-table:\*\.gdt' "$mime/globs2" || fail "no *.gdt glob"
grep -aq 'application/x-scorvane-table' "$mime/magic" || fail "no magic for tables"

# Installed where it may not write: the data goes to the per-user data folder. Only an ordinary
# user is refused writing to a read-only folder, so this part needs one.
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
  chmod -R a+rX "$scratch"
  chmod a-w "$root/usr/bin"
  home=$scratch/home
  mkdir -p "$home" && chown nobody "$home"
  HOME=$home XDG_DATA_HOME=$home/data setpriv --reuid=nobody --regid=nogroup --clear-groups \
    "$root/usr/bin/scorvane-cli" user add 王老师 secret 2> "$scratch/user.err" ||
    { cat "$scratch/user.err" >&2; fail "user add as an installed program"; }
  [ -s "$home/data/ZUN'S 通用Scorvane/ZUN'S 通用Scorvane/std.dat" ] || fail "no std.dat in the per-user data folder"
  [ ! -e "$root/usr/bin/std.dat" ] || fail "std.dat beside the installed program"
else
  echo "SKIP: the per-user data folder check needs root and setpriv"
fi
echo "package ok: $(basename "$deb")"
