#!/usr/bin/env bash
# The Windows Installer packages end to end, with Wine's real msiexec, registry and cscript:
#   packages   both packages hold the right files for their platform; the x86 one registers
#              what the x64 one registers for its own library (read from the tables: installing
#              it would start a 32-bit custom action process);
#   machine    ALLUSERS=1: the older package (0.9.0), the user's change to param.ini, the
#              current package over it: one Add/Remove Programs entry, the change kept; the
#              registration is the library's own; PLENAR starts from the Start menu entry and
#              shows the installed list; script clients of both bitnesses create the class
#              through the installed registration; the silent uninstallation (without
#              ALLUSERS, as Add/Remove Programs runs it) keeps the changed param.ini, removes
#              the unchanged lstplenar.txt and everything else it added;
#   user       no ALLUSERS: the program folder in the user's own folder, the same registration
#              under HKCU\Software\Classes and nothing under HKLM\Software\Classes; the
#              uninstallation removes all of it, the unchanged param.ini included.
# Registry states are compared through the platform's `reg export`.
# It runs in a Wine prefix, a home and on an X server of its own (BUILD_DIR/wineprefix-installer),
# so that the other suites, which register KORVEL from their build folders and look for their
# windows, run beside it undisturbed.
# usage: test_installer.sh BUILD_DIR (the folder of win32/ and win64/)
set -uo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
# The packages are named after the version the file VERSION holds, and the README names them.
version=$(head -n 1 "$top/VERSION")
build=$(realpath "$1")
export WINEPREFIX="$build/wineprefix-installer" WINE_HOME="$build/winehome-installer"
unset DISPLAY
# (wine-env.sh keeps winemenubuilder off: a shortcut would otherwise put a menu entry on the
# host under $HOME, outside the prefix and out of reach of the uninstallation.)
source "$top/tools/wine-env.sh"
"$top/tools/wine-prefix.sh"
check_registry="$top/installer/tests/registry_check.py"
for tool in wixl msibuild msiinfo msiextract python3; do
  command -v $tool >/dev/null || { echo "skipped: $tool is not installed (Debian packages wixl, msitools)"; exit 77; }
done
for file in win64/bin/installed_plenar.exe win64/bin/plenar_setup_actions.dll win32/bin/plenar_setup_actions.dll \
            win64/bin/PLENAR.exe win64/bin/KORVEL.dll win32/bin/PLENAR.exe win32/bin/KORVEL.dll; do
  [ -f "$build/$file" ] || { echo "skipped: no $build/$file (build win32 and win64 first)"; exit 77; }
done
drive="$WINEPREFIX/drive_c"
work=$(mktemp -d "${TMPDIR:-/tmp}/plenar-installer.XXXXXX")
start_own_display || { echo "Xvfb did not start"; exit 1; }
# No window manager on that server: windows are not left to one (Wine would wait for it).
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
mkdir -p "$work/reg" "$work/logs" "$work/packages"
failures=0
started=$SECONDS

section() { echo; echo "== $* ($((SECONDS - started)) s)"; }
pass() { echo "ok: $*"; }
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# A failure after which the following checks mean nothing: the clean-up still runs.
give_up() { fail "$*"; exit 1; }
# The host path of a C: path of the prefix.
unix_of() { local p=${1#[Cc]:}; p=${p//\\//}; echo "$drive${p%/}"; }

# Output goes to files: Wine's services inherit pipes and would keep them open.
wine_quiet() { $WINE "$@" >"$work/wine.out" 2>&1 </dev/null; }
runs=0
# msiexec, silent, with a log kept for a failure's report.
msi() {
  runs=$((runs + 1))
  local log="$work/logs/$runs-$1.log"
  wine_quiet msiexec "${@:2}" /qn /l*v "$(windows_path "$log")"
  local status=$?
  echo "msiexec ${*:2}: $status (log $(basename "$log"))"
  [ $status -eq 0 ] || grep -a -E 'PLENAR:|error|Error|ERROR|return value 3' "$log" | head -20
  return $status
}

roots=('HKLM\Software\Classes' 'HKCU\Software\Classes'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKLM\Software\TOLVARE' 'HKLM\Software\Wow6432Node\TOLVARE' 'HKCU\Software\TOLVARE')
# reg export of every key the packages write under (NAME-0.reg ... NAME-7.reg), or of the
# roots whose numbers follow NAME; a key that does not exist leaves no file. The exports run
# side by side: HKLM\Software\Classes alone takes seconds.
snapshot() {
  local name=$1 i pids=()
  shift
  for i in "${@:-${!roots[@]}}"; do
    rm -f "$work/reg/$name-$i.reg"
    $WINE reg export "${roots[$i]}" "$(windows_path "$work/reg/$name-$i.reg")" /y >"$work/export-$i.out" 2>&1 </dev/null &
    pids+=($!)
  done
  wait "${pids[@]}"
  # An export run side by side with others has been seen to leave no file for a key that
  # exists (once, on a fresh prefix): what is missing is exported again, alone, before it
  # counts as a key that does not exist.
  for i in "${@:-${!roots[@]}}"; do
    [ -f "$work/reg/$name-$i.reg" ] ||
      $WINE reg export "${roots[$i]}" "$(windows_path "$work/reg/$name-$i.reg")" /y >"$work/export-$i.out" 2>&1 </dev/null || true
  done
}
reg_files() { local i; for i in "${!roots[@]}"; do echo "$work/reg/$1-$i.reg"; done; }
# The entries of Add/Remove Programs named PLENAR, one a line: version and product code.
entries() { python3 "$check_registry" entries PLENAR $(reg_files "$1" | sed -n '3,5p'); }
versions() { entries "$1" | cut -d' ' -f1 | tr '\n' ' '; }
# Compares each root of snapshot $3 with snapshot $1, for the keys snapshot $2 (taken while
# installed) shows were added or changed: $4 names what is being checked.
unchanged() {
  local i problems=0
  for i in "${!roots[@]}"; do
    python3 "$check_registry" unchanged "$work/reg/$1-$i.reg" "$work/reg/$2-$i.reg" "$work/reg/$3-$i.reg" \
      >>"$work/bookkeeping.txt" 2>"$work/unchanged.txt" || { problems=1; sed 's/^/  /' "$work/unchanged.txt"; }
  done
  [ $problems -eq 0 ] && pass "$4" || fail "$4"
}

# The places the packages write files to, and the platform installer's own (its package cache,
# the per-user icon folder); the rest of the prefix is other programs' business.
files() {
  (cd "$drive" && find "Program Files" "Program Files (x86)" ProgramData windows/Installer \
     users/*/AppData/Local/Programs users/*/AppData/Roaming/Microsoft 2>/dev/null | sort) >"$work/files-$1.txt"
}
# Folders the platform's installer keeps for its own use (empty when no product needs them):
# removed at the end when the test created them.
bookkeeping_folder() { [[ "$1" =~ ^(windows/Installer|users/[^/]+/AppData/Local/Programs|users/[^/]+/AppData/Roaming/Microsoft/Installer)$ ]]; }
same_files() {
  local extra
  extra=$(comm -13 "$work/files-$1.txt" "$work/files-$2.txt" | while read -r f; do
    bookkeeping_folder "$f" && [ -z "$(ls -A "$drive/$f")" ] || echo "$f"; done)
  local missing
  missing=$(comm -23 "$work/files-$1.txt" "$work/files-$2.txt")
  if [ -z "$extra$missing" ]; then pass "$3"; else
    fail "$3"; [ -n "$extra" ] && echo "$extra" | sed 's/^/  left: /'; [ -n "$missing" ] && echo "$missing" | sed 's/^/  removed: /'
  fi
}

machine_package="$work/packages/PLENAR-$version-x64.msi"
older_package="$work/packages/PLENAR-0.9.0-x64.msi"
machine_folder='C:\Program Files\PLENAR'
installed=()   # packages that may be installed, for the clean-up

# Applies the file $1 of "delete<TAB>key" and "create<TAB>key" lines through a .reg file.
apply_keys() {
  [ -s "$1" ] || return 0
  { echo "Windows Registry Editor Version 5.00"; echo
    sort -u "$1" | sort -r | sed -n 's/^delete\t\(.*\)$/[-\1]\n/p'
    sort -u "$1" | sed -n 's/^create\t\(.*\)$/[\1]\n/p'; } | sed 's/$/\r/' | iconv -f utf-8 -t utf-16 >"$1.reg"
  wine_quiet reg import "$(windows_path "$1.reg")"
}

# The prefix is left as the test found it, whatever happened: PLENAR uninstalled, and when an
# uninstallation failed, what it left removed by hand;
# the platform installer's empty folders and keys removed when the test made them, and the
# empty keys it deleted (HKCU\Software\Classes\CLSID, say) made again.
cleanup() {
  local status=$?
  section "clean-up"
  local package
  for package in "${installed[@]}"; do
    msi cleanup /x "$(windows_path "$package")" >/dev/null 2>&1
  done
  if [ -f "$work/reg/start-0.reg" ] && { [ $failures -gt 0 ] || [ $status -ne 0 ]; }; then
    snapshot end
    local i pairs p
    for i in "${!roots[@]}"; do
      # Each installation against the state just before it.
      pairs=()
      for p in clean:older clean:machine machine-removed:user; do
        [ -f "$work/reg/${p#*:}-$i.reg" ] && pairs+=("$work/reg/${p%:*}-$i.reg" "$work/reg/${p#*:}-$i.reg")
      done
      [ ${#pairs[@]} -gt 0 ] &&
        python3 "$check_registry" leftovers "$work/reg/clean-$i.reg" "$work/reg/end-$i.reg" "${pairs[@]}"
    done >"$work/leftovers.txt"
    [ -s "$work/leftovers.txt" ] && echo "keys left behind or emptied: $(wc -l <"$work/leftovers.txt")"
    apply_keys "$work/leftovers.txt"
  else
    apply_keys "$work/bookkeeping.txt" && [ -s "$work/bookkeeping.txt" ] &&
      echo "the installer's empty keys removed and emptied keys put back: $(sort -u "$work/bookkeeping.txt" | wc -l)"
  fi
  if [ -f "$work/files-start.txt" ]; then
    files end
    comm -13 "$work/files-start.txt" "$work/files-end.txt" | sort -r | while read -r f; do
      case "$f" in
        "Program Files/PLENAR"* | users/*/AppData/Local/Programs/PLENAR* | */Start\ Menu/Programs/PLENAR.lnk | */Start\ Menu/Programs/KORVEL\ -\ référence.lnk)
          rm -rf "${drive:?}/$f" && echo "removed $f" ;;
        *) bookkeeping_folder "$f" && rmdir "$drive/$f" 2>/dev/null && echo "removed the installer's empty $f" ;;
      esac
    done
  fi
  wineserver -k >/dev/null 2>&1
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  [ $status -ne 0 ] && [ $failures -eq 0 ] && failures=1
  echo
  echo "installer test: $failures failure(s), $((SECONDS - started)) s"
  if [ $failures -eq 0 ]; then rm -rf "$work"; else echo "logs and registry states kept in $work"; fi
  [ $failures -eq 0 ] && exit 0 || exit 1
}
trap cleanup EXIT
trap 'exit 1' INT TERM

section "packages"
"$top/tools/make-msi.sh" "$build" "$work/packages" || give_up "make-msi.sh could not build the packages"
"$top/tools/make-msi.sh" --version 0.9.0 --platform x64 "$build" "$work/packages" ||
  give_up "make-msi.sh could not build the older package"
grep -q "PLENAR-$version-x64.msi" "$top/README.md" && pass "the README names the packages of version $version" ||
  fail "the README does not name PLENAR-$version-x64.msi"
# The files each package carries, for its platform.
for platform in x64 x86; do
  rm -rf "$work/extract"
  msiextract -C "$work/extract" "$work/packages/PLENAR-$version-$platform.msi" >/dev/null ||
    { fail "msiextract cannot read the $platform package"; continue; }
  # The program folder, under the name msiextract gives the package's Program Files folder.
  extracted=$(dirname "$(find "$work/extract" -name PLENAR.exe | head -n 1)")
  listed=$(cd "$extracted" && find . -type f | sort | tr '\n' ' ')
  expected="./Activitl.ico ./KORVEL.dll ./PLENAR.exe ./korvel-reference.html ./lstplenar.txt ./param.ini ./plenar.html "
  [ $platform = x64 ] && expected="$expected./x86/KORVEL.dll "
  [ "$listed" = "$expected" ] && pass "the $platform package's files: $listed" || fail "the $platform package holds $listed"
  for binary in PLENAR.exe KORVEL.dll; do
    if is_pe32 "$extracted/$binary"; then kind=x86; else kind=x64; fi
    [ $kind = $platform ] || fail "the $platform package's $binary is a $kind program"
  done
  [ $platform = x64 ] && ! is_pe32 "$extracted/x86/KORVEL.dll" && fail "x86/KORVEL.dll is not a 32-bit library"
  cmp -s "$extracted/param.ini" "$top/scheduler/program_folder/param.ini" &&
    cmp -s "$extracted/lstplenar.txt" "$top/scheduler/program_folder/lstplenar.txt" ||
    fail "the $platform package's param.ini or lstplenar.txt are not the shipped ones"
done
# The x86 package registers its library as the x64 package registers its own (win32 for win64).
registry_rows() { msiinfo export "$1" Registry | tr -d '\r' | awk -F'\t' -v c="$2" '$6 == c { print $2 "\t" $3 "\t" $4 "\t" $5 }' | sort; }
registry_rows "$machine_package" Library | sed 's/\\0\\win64\t/\\0\\win32\t/' >"$work/rows-x64.txt"
registry_rows "$work/packages/PLENAR-$version-x86.msi" Library >"$work/rows-x86.txt"
if [ -s "$work/rows-x64.txt" ] && cmp -s "$work/rows-x64.txt" "$work/rows-x86.txt"; then
  pass "the x86 package's registration: $(wc -l <"$work/rows-x86.txt") rows, as the x64 package's"
else
  fail "the x86 package's registration differs from the x64 package's"; diff "$work/rows-x64.txt" "$work/rows-x86.txt" | head
fi
msiinfo export "$work/packages/PLENAR-$version-x86.msi" Component | tr -d '\r' |
  awk -F'\t' 'NR > 3 && int($4 / 256) % 2 == 1 { found = 1 } END { exit found }' ||
  fail "the x86 package has 64-bit components"
# Each package's custom actions run in a process of its own bitness (no 32-bit process for the
# x64 package).
for platform in x64 x86; do
  msiinfo extract "$work/packages/PLENAR-$version-$platform.msi" Binary.SetupActions >"$work/actions.dll"
  if is_pe32 "$work/actions.dll"; then kind=x86; else kind=x64; fi
  [ $kind = $platform ] && pass "the $platform package's custom actions are $kind code" ||
    fail "the $platform package's custom actions are $kind code"
done

section "the prefix before"
snapshot start
# A run killed before its clean-up (a timeout) leaves PLENAR installed: removed first.
if [ -n "$(entries start)" ] || compgen -G "$drive/Program Files/PLENAR" >/dev/null ||
   compgen -G "$drive/users/*/AppData/Local/Programs/PLENAR" >/dev/null; then
  echo "an earlier run left PLENAR here: removing it"
  for code in $(entries start | cut -d' ' -f2); do msi leftover /x "$code"; done
  rm -rf "$drive/Program Files/PLENAR" "$drive"/users/*/AppData/Local/Programs/PLENAR
  snapshot start
  [ -n "$(entries start)" ] && give_up "PLENAR left by an earlier run cannot be removed"
fi
files start
for f in "$work"/reg/start-*.reg; do cp "$f" "${f/start-/clean-}"; done

section "the library's own registration"
wine_quiet regsvr32 /s "$(windows_path "$build/win64/bin/KORVEL.dll")" || give_up "regsvr32 KORVEL.dll failed"
wine_quiet reg export 'HKLM\Software\Classes' "$(windows_path "$work/reg/self-0.reg")" /y
wine_quiet regsvr32 /u /s "$(windows_path "$build/win64/bin/KORVEL.dll")" || give_up "regsvr32 /u KORVEL.dll failed"
pass "the 64-bit library registered itself once, for comparison"

section "per machine: $(basename "$older_package"), then $(basename "$machine_package") over it"
installed=("$older_package")
msi machine-older /i "$(windows_path "$older_package")" ALLUSERS=1 || give_up "the older package does not install"
snapshot older 2 3 4 5 6 7
[ "$(versions older)" = "0.9.0 " ] && pass "one entry, 0.9.0" || fail "entries after installing 0.9.0: $(versions older)"
folder="$drive/Program Files/PLENAR"
# The user changes his settings; his list stays as shipped.
printf '[PARAM]\r\nDELAI=45\r\nDELAIDL=30\r\nDUREEMACRO=30\r\nURL=http://intranet.example.com/lstplenar.txt\r\n' >"$work/changed.ini"
cp "$work/changed.ini" "$folder/param.ini" || give_up "no param.ini in $machine_folder"
installed=("$machine_package" "$older_package")
msi machine /i "$(windows_path "$machine_package")" ALLUSERS=1 || give_up "the current package does not install over the older one"
snapshot machine
[ "$(versions machine)" = "$version " ] && pass "the upgrade leaves one entry, $version" ||
  fail "entries after the upgrade: $(versions machine)"
# An older package does not go over a newer one.
wine_quiet msiexec /i "$(windows_path "$older_package")" ALLUSERS=1 /qn
refused=$?
snapshot downgrade 2 3 4
[ $refused -ne 0 ] && [ "$(versions downgrade)" = "$version " ] && pass "0.9.0 is refused over $version ($refused)" ||
  fail "0.9.0 over $version: msiexec $refused, entries $(versions downgrade)"
for f in PLENAR.exe KORVEL.dll x86/KORVEL.dll Activitl.ico plenar.html lstplenar.txt; do
  [ -f "$folder/$f" ] || fail "no $f in $machine_folder"
done
cmp -s "$folder/param.ini" "$work/changed.ini" && pass "the upgrade kept the user's param.ini" ||
  fail "the upgrade replaced the user's param.ini"
cmp -s "$folder/lstplenar.txt" "$top/scheduler/program_folder/lstplenar.txt" || fail "lstplenar.txt is not the shipped one"
python3 "$check_registry" same-as-library "$work/reg/clean-0.reg" "$work/reg/self-0.reg" "$work/reg/machine-0.reg" \
  "$(windows_path "$build/win64/bin/KORVEL.dll")" "$machine_folder\\KORVEL.dll" "$machine_folder\\x86\\KORVEL.dll" &&
  pass "the registration under HKLM\\Software\\Classes is the library's own, for both libraries" ||
  fail "the registration under HKLM\\Software\\Classes"
python3 "$check_registry" nothing-added "$work/reg/clean-1.reg" "$work/reg/machine-1.reg" &&
  pass "nothing under HKCU\\Software\\Classes" || fail "the per-machine installation wrote under HKCU\\Software\\Classes"

section "PLENAR from the Start menu"
# Windows puts a per-machine entry in the common Start menu; Wine's installer puts both kinds in
# the user's own.
shortcut=$(ls "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/PLENAR.lnk" \
  "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/PLENAR.lnk 2>/dev/null | head -n 1)
if [ -z "$shortcut" ]; then
  fail "no Start menu entry PLENAR.lnk"
else
  echo "Start menu entry: ${shortcut#"$drive/"}"
  wine_quiet "$build/win64/bin/installed_plenar.exe" "$(windows_path "$shortcut")" "$machine_folder\\PLENAR.exe"
  status=$?
  sed 's/^/  /' "$work/wine.out"
  [ $status -eq 0 ] && pass "PLENAR starts from the installed folder, shows the installed list and quits" ||
    fail "PLENAR from the Start menu entry"
fi

reference=$(ls "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/KORVEL - référence.lnk" \
  "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/KORVEL\ -\ référence.lnk 2>/dev/null | head -n 1)
# A shortcut holds its target's path in the ANSI code page, in UTF-16, or both.
[ -n "$reference" ] && python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); n = "korvel-reference.html"
sys.exit(not (n.encode() in d or n.encode("utf-16-le") in d))' "$reference" &&
  pass "the Start menu entry KORVEL - référence opens the installed reference" ||
  fail "no Start menu entry KORVEL - référence to korvel-reference.html"

section "script clients"
client() {
  local bits=$1 system=$2 library=$3 folder="$work/client$1"
  mkdir -p "$folder"
  wine_quiet "C:\\windows\\$system\\cscript.exe" //nologo "$(windows_path "$top/installer/tests/installed_client.vbs")" \
    "$(windows_path "$folder")" "$library"
  sed 's/^/  /' "$work/wine.out"
  # cscript exits with 0 after a script error: the last line tells.
  tail -n 1 "$work/wine.out" | grep -Eq '^[0-9]+ passed, 0 failed' && pass "the $bits-bit script client" ||
    fail "the $bits-bit script client"
}
client 64 system32 "$machine_folder\\KORVEL.dll"
if wine_runs_32bit; then
  client 32 syswow64 "$machine_folder\\x86\\KORVEL.dll"
else
  echo "skipped: the 32-bit script client (this machine's kernel cannot run 32-bit programs)"
fi

section "per machine: silent uninstallation"
msi machine-remove /x "$(windows_path "$machine_package")" || fail "the uninstallation failed"
installed=()
if [ -f "$folder/param.ini" ] && cmp -s "$folder/param.ini" "$work/changed.ini"; then
  pass "the user's changed param.ini is kept"
else
  fail "the user's changed param.ini is not kept"
fi
# PLENAR's run journal, written when it started from the Start menu above, is the record of what
# ran there: kept with the changed settings.
[ -f "$folder/journal.txt" ] && pass "the run journal is kept" || fail "the run journal is not kept"
left=$( (cd "$folder" 2>/dev/null && find . -mindepth 1 ! -name param.ini ! -name journal.txt) )
[ -z "$left" ] && pass "the unchanged lstplenar.txt and every other file are removed" ||
  { fail "left in $machine_folder:"; echo "$left" | sed 's/^/  /'; }
# The kept files are the user's: he deletes them, and the folder, himself.
rm -rf "$folder"
snapshot machine-removed
unchanged clean machine machine-removed "no key of the per-machine installation is left (registration, entry, folder)"
files machine-removed
same_files start machine-removed "no file of the per-machine installation is left"

section "per user"
installed=("$machine_package")
msi user /i "$(windows_path "$machine_package")" || give_up "the package does not install for the user"
snapshot user
wine_quiet reg query 'HKCU\Software\TOLVARE\PLENAR' /v InstallFolder
user_folder=$(tr -d '\r' <"$work/wine.out" | sed -n 's/^ *InstallFolder *REG_SZ *//p')
user_folder=${user_folder%\\}
echo "installed in $user_folder"
[[ "$user_folder" =~ ^C:\\users\\[^\\]+\\AppData\\Local\\Programs\\PLENAR$ ]] && pass "in the user's own programs folder" ||
  fail "per-user folder: '$user_folder'"
for f in PLENAR.exe KORVEL.dll x86/KORVEL.dll Activitl.ico plenar.html param.ini lstplenar.txt; do
  [ -f "$(unix_of "$user_folder")/$f" ] || fail "no $f in $user_folder"
done
[ "$(versions user)" = "$version " ] && pass "one entry" || fail "entries: $(versions user)"
python3 "$check_registry" same-per-user "$work/reg/clean-0.reg" "$work/reg/machine-0.reg" "$work/reg/machine-removed-1.reg" \
  "$work/reg/user-1.reg" "$machine_folder" "$user_folder" &&
  pass "the registration under HKCU\\Software\\Classes is the per-machine one, in the user's folder" ||
  fail "the registration under HKCU\\Software\\Classes"
python3 "$check_registry" nothing-added "$work/reg/machine-removed-0.reg" "$work/reg/user-0.reg" &&
  pass "nothing under HKLM\\Software\\Classes" || fail "the per-user installation wrote under HKLM\\Software\\Classes"
msi user-remove /x "$(windows_path "$machine_package")" || fail "the per-user uninstallation failed"
installed=()
[ -e "$(unix_of "$user_folder")" ] && fail "$user_folder is left (the unchanged param.ini and lstplenar.txt go)"
snapshot user-removed
# Against the state just before (the script clients' host registered its own type library
# since the clean state, on its first run in a new prefix).
unchanged machine-removed user user-removed "no key of the per-user installation is left"
files user-removed
same_files start user-removed "no file of the per-user installation is left"
