#!/usr/bin/env bash
# Proves the Windows installer under Wine. Builds the packages of a Windows build (the MSI
# and the .zip, as `cmake --build BUILD --target package` does) and an MSI one version
# higher, then, in a Wine prefix of its own made afresh (BUILD/msi-check/wine; its user's
# home, where Wine puts Documents, is BUILD/msi-check/home):
#   - installs the MSI with msiexec /i /qn: the programs in C:\Program Files\Tarvix Vizaze,
#     the entry in "Apps & features", the Start-menu shortcut, the start-up folder
#     Documents\Tarvix Vizaze with LOGS and SEQ;
#   - runs the shortcut's own command (the console tool in a command prompt, or the window)
#     in the shortcut's start-up folder, the installed console tool's --version and a real
#     job against the installed simulator over TCP, whose settings, log and frames land in
#     that folder; the window, when the package has one, is started and closed;
#   - installs the higher version over it: one product left, of the new version;
#   - uninstalls with msiexec /x /qn: no program file, shortcut or entry left; the user's
#     settings, records and folders stay (LOGS and SEQ also when empty).
# Usage: scripts/check_msi.sh [BUILD]   (default: build-windows/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
check_dir="$build/msi-check"
rm -rf "$check_dir"
mkdir -p "$check_dir/home" "$check_dir/next" "$check_dir/slots"
export WINEPREFIX="$check_dir/wine" HOME="$check_dir/home" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d"  # no menu entries on this machine's desktop
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  wineserver --kill 2>/dev/null || true  # this prefix's server only
}
trap cleanup EXIT

passed=0; failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $what" >&2; failed=$((failed + 1)); fi
}

# The packages: this version, and the next one for the upgrade.
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
next="${version%.*}.$((${version##*.} + 1))"
(cd "$build" && cpack --config CPackConfig.cmake >"$check_dir/cpack.log" 2>&1) || { cat "$check_dir/cpack.log" >&2; exit 1; }
(cd "$build" && cpack --config CPackConfig.cmake -D "CPACK_PACKAGE_VERSION=$next" \
   -D "CPACK_PACKAGE_FILE_NAME=tarvix-vizaze-$next-windows" -B "$check_dir/next" >>"$check_dir/cpack.log" 2>&1) ||
  { cat "$check_dir/cpack.log" >&2; exit 1; }
msi="$build/tarvix-vizaze-$version-windows.msi"
zip="$build/tarvix-vizaze-$version-windows.zip"
next_msi="$check_dir/next/tarvix-vizaze-$next-windows.msi"
echo "Built $(basename "$msi") ($(du -k "$msi" | cut -f1) KiB), $(basename "$zip"), and $(basename "$next_msi") for the upgrade"
unzip -Z1 "$zip" >"$check_dir/zip.txt"
for f in tarvix-vizaze-cli.exe tarvix-vizaze-sim.exe README.md docs/windows.md docs/img/start.png examples/sklep_384x96.bmp; do
  check "the .zip holds $f" grep -qx "tarvix-vizaze-$version-windows/$f" "$check_dir/zip.txt"
done

echo "Making a fresh Wine prefix $WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait || true
drive="$WINEPREFIX/drive_c"
program_dir="$drive/Program Files/Tarvix Vizaze"
work_dir="$HOME/Tarvix Vizaze"  # Documents\Tarvix Vizaze: Wine links Documents to the home
win_program_dir='C:\Program Files\Tarvix Vizaze'
have_window=false
if unzip -Z1 "$zip" | grep -q '/tarvix-vizaze\.exe$'; then
  have_window=true
  # The window without a display: Wine's "null" graphics driver.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi

msiexec_run() {  # ACTION MSI LOG: msiexec quietly, its log kept
  local status=0
  wine msiexec "$1" "$(winepath -w "$2")" /qn /l\*v "$(winepath -w "$check_dir/$3")" || status=$?
  if [ "$status" -ne 0 ]; then tr -d '\000' <"$check_dir/$3" | tail -30 >&2 || true; fi
  return "$status"
}
installed_products() {  # the display names and versions of Tarvix Vizaze in "Apps & features"
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ {key = $0} /DisplayName .*Tarvix Vizaze/ {names[key] = 1} /DisplayVersion/ {v[key] = $NF}
         END {for (k in names) print v[k]}'
}

check "msiexec /i $(basename "$msi")" msiexec_run /i "$msi" install.log
for f in tarvix-vizaze-cli.exe tarvix-vizaze-sim.exe README.md copyright.txt docs/windows.md docs/img/start.png \
         docs/convert/before.png examples/sklep_384x96.bmp sim/README.md; do
  check "installed: $f" test -s "$program_dir/$f"
done
if $have_window; then check "installed: tarvix-vizaze.exe" test -s "$program_dir/tarvix-vizaze.exe"; fi
check "\"Apps & features\" lists Tarvix Vizaze $version" test "$(installed_products)" = "$version"
check "... with its folder" bash -c "wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' /s |
  tr -d '\r' | grep -qF 'InstallLocation    REG_SZ    C:\\Program Files\\Tarvix Vizaze\\'"
check "the start-up folder with LOGS and SEQ" test -d "$work_dir/LOGS" -a -d "$work_dir/SEQ"

# The shortcuts: "Tarvix Vizaze" (the window, or without one the console tool in a command
# prompt) and, with the window, "Tarvix Vizaze (konsola)"; their targets, arguments and
# start-up folders read from the .lnk files.
read_link() {  # the .lnk's working folder and arguments (its string data), one a line
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", d, 20)[0]
at = 76
if flags & 0x01: at += 2 + struct.unpack_from("<H", d, at)[0]   # the target's ID list
if flags & 0x02: at += struct.unpack_from("<I", d, at)[0]        # link info
strings = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
    if flags & bit:
        n = struct.unpack_from("<H", d, at)[0]
        strings[name] = d[at + 2:at + 2 + 2 * n].decode("utf-16-le")
        at += 2 + 2 * n
print(strings.get("workdir", ""))
print(strings.get("args", ""))
PY
}
check_shortcut() {  # NAME TARGET: the shortcut NAME starts TARGET (an .exe) in the start-up folder
  local lnk lnk_dir lnk_args names
  lnk="$(find "$drive" -name "$1.lnk" | head -1)"
  check "Start-menu shortcut \"$1\"" test -n "$lnk"
  [ -n "$lnk" ] || return 0
  { read -r lnk_dir; read -r lnk_args; } < <(read_link "$lnk")
  echo "Shortcut \"$1\": start-up folder \"$lnk_dir\", arguments \"$lnk_args\""
  names="$( (strings -a -el "$lnk"; strings -a "$lnk") | tr 'A-Z' 'a-z')"  # the target's path, by its parts
  check "\"$1\" starts $2" grep -qx "$2" <<<"$names"
  check "\"$1\" starts in Documents\\Tarvix Vizaze" \
    test "$(realpath "$(winepath -u "$lnk_dir")")" = "$(realpath "$work_dir")"
  if [ "$2" = cmd.exe ]; then
    # The command prompt it opens, run here with its arguments: the console tool is found
    # on its PATH and prints its help (the prompt ends at the end of its input).
    printf '@"C:\\windows\\system32\\cmd.exe" %s\r\n' "$lnk_args" >"$work_dir/shortcut.bat"
    (cd "$work_dir" && wine cmd /c shortcut.bat </dev/null >"$check_dir/shortcut.out" 2>&1) || true
    rm -f "$work_dir/shortcut.bat"
    check "\"$1\" runs the console tool" grep -q 'Użycie: tarvix-vizaze-cli' "$check_dir/shortcut.out"
  fi
}
if $have_window; then
  check_shortcut "Tarvix Vizaze" tarvix-vizaze.exe
  check_shortcut "Tarvix Vizaze (konsola)" cmd.exe
else
  check_shortcut "Tarvix Vizaze" cmd.exe
fi

# The installed console tool, and a job against the installed simulator, from the start-up folder.
cli="$win_program_dir\\tarvix-vizaze-cli.exe"
check "console tool --version" bash -c "wine '$cli' --version | tr -d '\r' | grep -qx 'tarvix-vizaze-cli $version'"
wine "$win_program_dir\\tarvix-vizaze-sim.exe" --printer --tcp 0 --store "$(winepath -w "$check_dir/slots")" \
  >"$check_dir/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 240); do  # it says READY once it listens (bounded: 60 s on a busy machine)
  grep -q '^READY' "$check_dir/sim.out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.25
done
port="$(tr -d '\r' <"$check_dir/sim.out" | awk '/^READY tcp/ {print $4}')"
check "the installed simulator listens" test -n "$port"
status=0
(cd "$work_dir" && wine "$cli" --ethernet --printer --ip 127.0.0.1 --tcp-port "${port:-1}" --slot 1 \
   send "$win_program_dir\\examples\\sklep_384x96.bmp" >"$check_dir/job.out" 2>&1) || status=$?
check "the job succeeded (exit $status)" test "$status" -eq 0
check "its message" grep -q 'Grafika została poprawnie zaprogramowana!' "$check_dir/job.out"
check "the simulator holds the picture" test -s "$check_dir/slots/slot1.pbm"
check "settings.cfg in the start-up folder" grep -q "TCP_Port\]=$port" "$work_dir/settings.cfg"
check "the exchange in LOGS" test -s "$work_dir/LOGS/log_.txt"
check "the frames in SEQ" test -s "$work_dir/SEQ/seq_"
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

# The window: started in the start-up folder, then closed as a user closes it (WM_CLOSE).
if $have_window; then
  rm -f "$work_dir/settings.cfg"
  (cd "$work_dir" && exec wine "$win_program_dir\\tarvix-vizaze.exe" >"$check_dir/window.out" 2>&1) &
  window_pid=$!
  for _ in $(seq 1 120); do  # bounded: about a minute on a busy machine
    kill -0 "$window_pid" 2>/dev/null || break
    wine taskkill /im tarvix-vizaze.exe >/dev/null 2>&1 || true
    sleep 0.5
  done
  closed=true
  if kill -0 "$window_pid" 2>/dev/null; then
    closed=false
    wine taskkill /f /im tarvix-vizaze.exe >/dev/null 2>&1 || true
  fi
  status=0
  wait "$window_pid" || status=$?
  check "the window started and closed on WM_CLOSE" $closed
  check "the window ended with exit 0 (was $status)" test "$status" -eq 0
  check "the window saved settings.cfg in the start-up folder" test -s "$work_dir/settings.cfg"
fi

# The higher version replaces this one.
check "msiexec /i $(basename "$next_msi") over $version" msiexec_run /i "$next_msi" upgrade.log
check "\"Apps & features\" lists only $next" test "$(installed_products)" = "$next"
check "the programs are still there" test -s "$program_dir/tarvix-vizaze-cli.exe"
status=0
msiexec_run /i "$msi" downgrade.log 2>/dev/null || status=$?
check "the older MSI refuses to install over the newer" test "$status" -ne 0
check "... and changes nothing" test "$(installed_products)" = "$next"

# Uninstall: nothing of the programs left; the user's settings, records and folders stay,
# SEQ also when empty (an empty LOGS or SEQ is the user's switch that keeps the records on).
rm -f "$work_dir/SEQ/"*
mkdir -p "$work_dir/logo"
echo "the user's own" >"$work_dir/logo/notes.txt"
check "msiexec /x" msiexec_run /x "$next_msi" uninstall.log
check "no program file left" test ! -e "$program_dir"
check "no shortcut left" test -z "$(find "$drive" -name 'Tarvix Vizaze*.lnk')"
check "no entry in \"Apps & features\"" test -z "$(installed_products)"
check "the user's settings stay" test -s "$work_dir/settings.cfg"
check "the records in LOGS stay" test -s "$work_dir/LOGS/log_.txt"
check "the empty SEQ stays" test -d "$work_dir/SEQ"
check "the user's own folder and file stay" test -s "$work_dir/logo/notes.txt"

echo "MSI check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
