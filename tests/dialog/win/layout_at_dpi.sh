#!/usr/bin/env bash
# Runs DialogLayout.AtOneDpi with the Wine prefix's screen set to the given
# dpi, and sets it back to 96 after. Wine reads the dpi when its server
# starts: the server is let go before and after (the test runs alone).
#   layout_at_dpi.sh DPI TEST_EXE
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
dpi=$1
exe=$2
run=$root/scripts/wine-run
wineserver=/usr/lib/wine/wineserver
set_dpi() {
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$run" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  WINEPREFIX=${FROSTEL_WINEPREFIX:-$root/build/wineprefix} "$wineserver" -w || true
}
trap 'set_dpi 96' EXIT
set_dpi "$dpi"
FROSTEL_LAYOUT_DPI=$dpi "$run" "$exe" --gtest_filter=DialogLayout.AtOneDpi
