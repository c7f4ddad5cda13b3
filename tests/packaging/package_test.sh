#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, unpacks it into a
# scratch root and checks what a user gets: the programs, their desktop entries and icons,
# quor-capture with its manual page, and a Quor that, started through its desktop entry, keeps its catalog in the user's data
# folder and writes nothing beside itself.
#   package_test.sh <build folder> <program>...
set -euo pipefail

build=$1
shift
programs=("$@")

scratch=$(mktemp -d)
quor_pid=""
cleanup() {
  if [ -n "$quor_pid" ] && kill -0 "$quor_pid" 2>/dev/null; then
    kill -KILL "$quor_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The package, made in the scratch folder so that runs never share files.
start=$(date +%s)
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
echo "cpack: $(($(date +%s) - start)) s"
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then fail "one .deb expected, got: ${debs[*]}"; fi
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quor ] || fail "package name: $(field Package)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Section)" ] || fail "no section"
depends=$(field Depends)
for lib in libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6svg6 libcurl4 libxml2; do
  grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q fonts-noto-cjk <<<"$(field Recommends)" || fail "Recommends lacks fonts-noto-cjk"

root=$scratch/root
dpkg -x "$deb" "$root"
usr=$root/usr
[ -d "$usr/share/quor" ] || fail "no share/quor"

for program in "${programs[@]}"; do
  id=${program,,}
  bin=$usr/bin/$program
  entry=$usr/share/applications/$id.desktop
  icon=$usr/share/icons/hicolor/scalable/apps/$id.svg
  [ -x "$bin" ] || fail "$program not installed"
  file -b "$bin" | grep -q '^ELF' || fail "$program is not a program: $(file -b "$bin")"
  [ -f "$entry" ] || fail "no $id.desktop"
  desktop-file-validate "$entry" || fail "$id.desktop does not validate"
  grep -qx "Icon=$id" "$entry" || fail "$id.desktop names another icon"
  exec_line=$(sed -n 's/^Exec=//p' "$entry")
  [ "${exec_line%% *}" = "$program" ] || fail "$id.desktop starts '$exec_line'"
  [ -f "$icon" ] || fail "no icon $id.svg"
  xmllint --noout "$icon" || fail "$id.svg is not well-formed"
done
# Only Quor shows in the menus; the others are started by it.
grep -qx 'Categories=Office;' "$usr/share/applications/quor.desktop" || fail "Quor is not under Office"
grep -q '^NoDisplay=true' "$usr/share/applications/quor.desktop" && fail "Quor is hidden from the menus"
for program in "${programs[@]}"; do
  [ "$program" = Quor ] && continue
  grep -qx 'NoDisplay=true' "$usr/share/applications/${program,,}.desktop" || fail "$program shows in the menus"
done

# quor-capture and its manual page; it runs from the package without a display.
capture=$usr/bin/quor-capture
[ -x "$capture" ] || fail "quor-capture not installed"
man=$usr/share/man/man1/quor-capture.1.gz
[ -f "$man" ] || fail "no manual page $man"
gzip -t "$man" || fail "the manual page is no gzip file"
if command -v groff >/dev/null; then
  warnings=$(zcat "$man" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "the manual page does not render: $warnings"
fi
zcat "$man" | grep -qF -- '\-\-search' || fail "the manual page lacks --search"
"$capture" --version | grep -q '^quor-capture ' || fail "quor-capture --version: $("$capture" --version 2>&1)"
mkdir -p "$scratch/captured"
echo '<title>Kept</title><p>Offline</p>' >"$scratch/page.html"
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" \
  "$capture" --quiet "$scratch/page.html" "$scratch/captured" >"$scratch/capture.out" ||
  fail "quor-capture of a file: $(cat "$scratch/capture.out")"
grep -q Offline "$(head -n 1 "$scratch/capture.out")" || fail "quor-capture wrote no article"

# Quor, started as its desktop entry says, by a user with an empty home, from elsewhere.
home=$scratch/home
work=$scratch/work
runtime=$scratch/run
mkdir -p "$home" "$work" "$runtime"
chmod 700 "$runtime"
find "$root" | sort >"$scratch/before"

exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/quor.desktop")
read -r -a command <<<"${exec_line//%[fFuU]/}"
(
  cd "$work"
  exec env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME -u XDG_DATA_DIRS \
    PATH="$usr/bin:$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu \
    "${command[@]}"
) >"$scratch/quor.log" 2>&1 &
quor_pid=$!

# Its catalog comes first; the shared mission table once the window is up and it listens
# to the session.
catalog=$home/.local/share/Quor/QuorCatalog.xml
table=$runtime/quor/Quor_SHARE_DATA
for _ in $(seq 1 600); do
  [ -s "$catalog" ] && [ -s "$table" ] && break
  [ -e "$usr/bin/QuorCatalog.xml" ] && fail "Quor wrote its catalog beside the program"
  kill -0 "$quor_pid" 2>/dev/null || { cat "$scratch/quor.log"; fail "Quor ended before it was up"; }
  sleep 0.1
done
[ -s "$catalog" ] || { cat "$scratch/quor.log"; fail "no catalog in $catalog after 60 s"; }
[ -s "$table" ] || { cat "$scratch/quor.log"; fail "Quor not up after 60 s"; }
[ "$(readlink -f "/proc/$quor_pid/exe")" = "$(readlink -f "$usr/bin/Quor")" ] || fail "the running Quor is not the installed one"
xmllint --noout "$catalog" || fail "the catalog is not well-formed"

# Asked to end by the session, it closes cleanly.
kill -TERM "$quor_pid"
for _ in $(seq 1 200); do
  kill -0 "$quor_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$quor_pid" 2>/dev/null && { cat "$scratch/quor.log"; fail "Quor still runs 20 s after SIGTERM"; }
status=0
wait "$quor_pid" || status=$?
quor_pid=""
[ "$status" -eq 0 ] || { cat "$scratch/quor.log"; fail "Quor ended with status $status"; }

[ -e "$usr/bin/QuorCatalog.xml" ] && fail "Quor wrote its catalog beside the program"
find "$root" | sort >"$scratch/after"
diff -u "$scratch/before" "$scratch/after" || fail "Quor wrote into the installed tree"
echo "PASS"
