#!/usr/bin/env bash
# Refreshes the user guide's pictures in docs/images/ from the screenshots
# the last test run took under Wine and in chromium (scripts/test.sh, or
# the win64 tests, the installer tests and scripts/web.sh --test): each is cut to the windows on it and stored
# without time stamps, so that an unchanged picture gives an unchanged file.
#   scripts/guide-images.sh
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
window=build/win64/screenshots
installer=build/screenshots/installer
web=build/screenshots/web
images=docs/images
# guide name, screenshot, the part kept: "trim" keeps the windows on the
# installer's black screen; the host's window fills its screen, with the
# tool window at its top left, so that picture keeps a fixed part of it.
pictures=(
  "tool-window.png $window/tool-window-opened 440x312+0+0"
  "installer-choose-finale.png $installer/01-choose-finale trim"
  "installer-copies-found.png $installer/02-copies-found trim"
  "installer-refused.png $installer/03-folder-refused trim"
  "installer-installed.png $installer/05-installed trim"
  "installer-remove.png $installer/06-remove trim"
  "web-page.png $web/web-result trim"
  "web-picture.png $web/web-result-picture trim"
  "web-picture-orchestral.png $web/web-orchestral-picture trim"
)
mkdir -p "$images"
missing=0
for picture in "${pictures[@]}"; do
  read -r name source part <<<"$picture"
  if [ -f "$source.png" ]; then
    source=$source.png
  elif [ -f "$source.bmp" ]; then
    source=$source.bmp
  else
    echo "guide-images.sh: no screenshot $source.png; run scripts/test.sh first" >&2
    missing=1
    continue
  fi
  if [ "$part" = trim ]; then cut=(-trim); else cut=(-crop "$part"); fi
  convert "$source" "${cut[@]}" +repage -strip -define png:exclude-chunks=date,time "$images/$name"
  echo "$images/$name <- $source"
done
exit $missing
