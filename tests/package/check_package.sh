#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root and checks that the
# files are where the desktop looks for them, that the menu entry and the software centre's entry
# validate and name each other, that the manual pages render without warnings, that lintian finds
# no error, that "*.gdt" and a table's first bytes map to the table type, and that the installed
# program, when it may not write beside itself, keeps its data in the per-user data folder.
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

app_id=io.github.scorvane.Scorvane
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
for f in usr/bin/scorvane usr/bin/scorvane-cli usr/share/applications/$app_id.desktop \
  usr/share/metainfo/$app_id.metainfo.xml usr/share/icons/hicolor/scalable/apps/scorvane.svg \
  usr/share/mime/packages/scorvane-table.xml usr/share/man/man1/scorvane.1.gz \
  usr/share/man/man1/scorvane-cli.1.gz usr/share/doc/scorvane/copyright usr/share/doc/scorvane/changelog.gz; do
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

# scorvane-cli needs neither QtWidgets nor QtPrintSupport; its printers are a plugin in the
# package's library folder, which the unpacked program finds from where it lies.
plugins=$(find "$root/usr/lib" -name scorvane-printers.so)
[ "$(echo "$plugins" | grep -c .)" = 1 ] || fail "not one printer plugin: $plugins"
! ldd "$root/usr/bin/scorvane-cli" | grep -E 'Qt6(Widgets|PrintSupport)' || fail "scorvane-cli links widgets"
data=$scratch/cli-data
mkdir -p "$data"
printf '姓名,语文\n张三,90\n' > "$data/t.csv"
"$root/usr/bin/scorvane-cli" --dir "$data" convert-csv "$data/t.csv" "$data/t.gdt" 2> /dev/null ||
  fail "convert-csv as an installed program"
if QT_QPA_PLATFORM=offscreen "$root/usr/bin/scorvane-cli" --dir "$data" print "$data/t.gdt" --printer 无此打印机 \
  2> "$data/print.err"; then
  fail "printed on a printer that is not there"
fi
grep -q '打印错误，请检查 打印机连接！' "$data/print.err" || fail "the installed program has no printers: $(cat "$data/print.err")"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'MimeType=application/x-scorvane-table;' "$desktop" || fail "menu entry does not open tables"
grep -qx 'Categories=Education;' "$desktop" || fail "categories"

appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "metainfo does not launch the menu entry"
for b in scorvane scorvane-cli; do
  grep -q "<binary>$b</binary>" "$metainfo" || fail "metainfo does not provide $b"
done

# Rendered as man shows them, in a UTF-8 locale for the Chinese texts: any warning fails.
for page in scorvane scorvane-cli; do
  man_file=$root/usr/share/man/man1/$page.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$man_file" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  zcat "$man_file" | preconv -e UTF-8 | groff -man -ww -z -Tutf8 2> "$scratch/groff.err"
  [ ! -s "$scratch/groff.err" ] || fail "groff $page: $(cat "$scratch/groff.err")"
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$man_file" 2> /dev/null)
  [[ $rendered == *"EXIT STATUS"* ]] || fail "man $page has no exit status"
done
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$root/usr/share/doc/scorvane/copyright" || fail "copyright is not machine-readable"

# lintian is installed by the set-up; without it this check cannot pass.
command -v lintian > /dev/null || fail "lintian is not installed (scripts/deps.sh installs it)"
lintian --fail-on error --tag-display-limit 0 "$deb" > "$scratch/lintian.log" 2>&1 ||
  { cat "$scratch/lintian.log" >&2; fail "lintian"; }
grep -v 'running with root privileges' "$scratch/lintian.log" || true

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
