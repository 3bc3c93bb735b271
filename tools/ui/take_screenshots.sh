#!/usr/bin/env bash
# Takes the documentation's screenshots of the configuration dialog and the tray menu under Wine
# (in an Xvfb server and Wine's "shell" virtual desktop) and writes docs/dialog.png and
# docs/tray_menu.png.
#
# usage: tools/ui/take_screenshots.sh [build-dir]     (default: build/windows-x64, already built)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build/windows-x64}
program=$build/bin/windows_ui_tests.exe
[[ -f $program ]] || { echo "take_screenshots: build $program first" >&2; exit 1; }

# shellcheck source=../windows/wine_env.sh
source "$repo/tools/windows/wine_env.sh"
trap wine_env_cleanup EXIT
wine_env_start

# Wine's "shell" virtual desktop, which has a taskbar (as the test fixture in
# tests/windows/CMakeLists.txt sets it up).
"$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null
"$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f \
  >/dev/null

shots=$(mktemp -d "${TMPDIR:-/tmp}/ambiora-shots.XXXXXX")
(cd "$build/bin" && AMBIORA_UI_SCREENSHOT_DIR="Z:${shots//\//\\}" \
  "$WINE_ENV_LOADER" windows_ui_tests.exe --gtest_filter=taskbar.screenshots_for_the_documentation)
for name in dialog tray_menu; do
  # -strip: no time stamps, so the same picture gives the same file.
  /usr/bin/convert "$shots/$name.bmp" -strip "$repo/docs/$name.png"
done
rm -rf "$shots"
echo "take_screenshots: wrote docs/dialog.png and docs/tray_menu.png"
