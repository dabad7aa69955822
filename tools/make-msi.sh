#!/usr/bin/env bash
# Builds the Windows Installer packages of PLENAR from the two cross builds, with wixl
# (msitools): OUT/PLENAR-<version>-x64.msi (64-bit Windows: 64-bit PLENAR and KORVEL, and the
# 32-bit KORVEL for 32-bit clients) and OUT/PLENAR-<version>-x86.msi (32-bit Windows).
# usage: make-msi.sh [--version A.B.C] [--platform x64|x86] BUILD_DIR OUT_DIR
#   BUILD_DIR holds win32/ and win64/ (their bin/ folders); the default version is the one of the file VERSION and
#   both packages are built unless --platform names one.
set -euo pipefail
# msiinfo writes its tables with CRLF line ends.
table() { msiinfo export "$1" "$2" | tr -d '\r'; }
top="$(cd "$(dirname "$0")/.." && pwd)"
version=$(head -n 1 "$top/VERSION")
platforms="x64 x86"
while [ $# -gt 2 ]; do
  case "$1" in
    --version) version=$2; shift 2 ;;
    --platform) platforms=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || { sed -n '2,7p' "$0"; exit 2; }
build=$(realpath "$1")
out=$2
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "version $version: expected A.B.C"; exit 2; }
for tool in wixl msibuild msiinfo python3; do
  command -v "$tool" >/dev/null || { echo "make-msi.sh needs $tool (Debian packages wixl, msitools, python3)"; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Copies a built binary into the staging folder without its debugging information.
stage_binary() {
  local from=$1 to=$2 arch=$3
  [ -f "$from" ] || { echo "missing $from: build it first (make win32 win64)"; exit 1; }
  mkdir -p "$(dirname "$to")"
  "$arch-w64-mingw32-strip" -o "$to" "$from"
}

for platform in $platforms; do
  case "$platform" in
    x64) kind=win64 arch=x86_64 korvel=win64 attributes=256 ;;
    x86) kind=win32 arch=i686 korvel=win32 attributes=0 ;;
    *) echo "platform $platform: expected x64 or x86"; exit 2 ;;
  esac
  stage="$work/stage-$platform" generated="$work/generated-$platform"
  mkdir -p "$stage" "$generated"
  stage_binary "$build/$kind/bin/PLENAR.exe" "$stage/PLENAR.exe" $arch
  stage_binary "$build/$kind/bin/KORVEL.dll" "$stage/KORVEL.dll" $arch
  stage_binary "$build/$kind/bin/plenar_setup_actions.dll" "$stage/plenar_setup_actions.dll" $arch
  cp "$top/scheduler/program_folder/Activitl.ico" "$top/scheduler/program_folder/plenar.html" \
     "$top/scheduler/program_folder/param.ini" \
     "$top/scheduler/program_folder/lstplenar.txt" "$stage/"
  python3 "$top/library/reference/make_reference.py" --html "$stage/korvel-reference.html" ||
    { echo "the KORVEL reference could not be made"; exit 1; }
  idl="$top/library/frame/braskedll.idl"
  python3 "$top/installer/korvel_registration.py" "$idl" $korvel primary KorvelLibrary INSTALLDIR Korvel_ \
    "$generated/korvel-primary.wxi"
  if [ "$platform" = x64 ]; then
    stage_binary "$build/win32/bin/KORVEL.dll" "$stage/x86/KORVEL.dll" i686
    python3 "$top/installer/korvel_registration.py" "$idl" win32 secondary KorvelLibrary32 X86DIR Korvel32_ \
      "$generated/korvel-secondary.wxi"
  fi

  package="$(realpath "$out")/PLENAR-$version-$platform.msi"
  rm -f "$package"
  # wixl takes file names relative to the source's folder only.
  cp "$top/installer/plenar.wxs" "$work/plenar-$platform.wxs"
  (cd "$work" && wixl --arch "$platform" -D Version="$version" -D Platform="$platform" -D Stage="stage-$platform" \
       -D CustomActions="stage-$platform/plenar_setup_actions.dll" -I "$generated" -o "$package" "plenar-$platform.wxs")

  # What wixl 0.101 cannot write itself:
  # - HKMU: it writes root 4 (no such root) where the Registry table's "user or machine" is -1;
  # - the never-overwrite attribute (128) of the user's files (param.ini, lstplenar.txt);
  # - rollback actions: it writes Execute="rollback" as an immediate action (the type needs
  #   the in-script 1024 and rollback 256 bits beside DLL 1, continue 64, no-impersonate 2048);
  # - same-version upgrades (512, maximum included): packages of one version replace each
  #   other, the x86 and x64 ones included, and a rebuilt package replaces the one installed
  #   (the row is replaced: Attributes is in the Upgrade table's key);
  # - the package's language in the summary (it writes 1033 whatever Languages says).
  upgrade_code=$(table "$package" Property | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
  template=$(msiinfo suminfo "$package" | tr -d '\r' | sed -n 's/^Template: \([^;]*\);.*/\1/p')
  msibuild "$package" \
    -q "UPDATE \`Registry\` SET \`Root\` = -1 WHERE \`Root\` = 4" \
    -q "UPDATE \`Component\` SET \`Attributes\` = $((attributes | 128)) WHERE \`Component\` = 'Settings' OR \`Component\` = 'ActionList'" \
    -q "UPDATE \`CustomAction\` SET \`Type\` = 3393 WHERE \`Action\` = 'UndoHoldKeptFiles'" \
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
    -s "PLENAR $version ($platform)" TOLVARE "$template;1036"
  # The fixes are checked, not trusted: msibuild reports no error for a query that matches no row.
  registry=$(table "$package" Registry | awk -F'\t' 'NR > 3 { print $2 }' | sort -u | tr '\n' ' ')
  [ "$registry" = "-1 " ] || { echo "$package: Registry roots '$registry', expected only -1"; exit 1; }
  never=$(table "$package" Component | awk -F'\t' -v a=$((attributes | 128)) \
    '($1 == "Settings" || $1 == "ActionList") && $4 == a' | wc -l)
  [ "$never" = 2 ] || { echo "$package: the user's files are not never-overwrite"; exit 1; }
  table "$package" CustomAction | grep -q $'^UndoHoldKeptFiles\t3393\t' ||
    { echo "$package: UndoHoldKeptFiles is not a rollback action"; exit 1; }
  table "$package" Upgrade | grep -q "^$upgrade_code"$'\t\t'"$version"$'\t\t513\t\tWIX_UPGRADE_DETECTED$' ||
    { echo "$package: the upgrade row does not take the same version"; exit 1; }
  echo "$package: $(du -k "$package" | cut -f1) KiB"
done
