#!/usr/bin/env bash
# Refreshes the user guide's pictures in docs/images/ from the screenshots
# the last test run took under Wine (scripts/test.sh, or the win64 tests
# and the installer tests): each is cut to the windows on it and stored
# without time stamps, so that an unchanged picture gives an unchanged file.
#   scripts/guide-images.sh
set -euo pipefail
cd "$(dirname "$0")/.."
window=build/win64/screenshots
installer=build/screenshots/installer
images=docs/images
# guide name <- screenshot
pictures=(
  "tool-window.png $window/tool-window-opened"
  "after-apply.png $window/after-apply"
  "taller.png $window/taller-by-40"
  "installer-choose-finale.png $installer/01-choose-finale"
  "installer-copies-found.png $installer/02-copies-found"
  "installer-refused.png $installer/03-folder-refused"
  "installer-installed.png $installer/05-installed"
  "installer-remove.png $installer/06-remove"
)
mkdir -p "$images"
missing=0
for picture in "${pictures[@]}"; do
  name=${picture%% *}
  source=${picture#* }
  if [ -f "$source.png" ]; then
    source=$source.png
  elif [ -f "$source.bmp" ]; then
    source=$source.bmp
  else
    echo "guide-images.sh: no screenshot $source.png; run scripts/test.sh first" >&2
    missing=1
    continue
  fi
  # The screen is black around the windows: -trim keeps the windows.
  convert "$source" -trim +repage -strip -define png:exclude-chunks=date,time "$images/$name"
  echo "$images/$name <- $source"
done
exit $missing
