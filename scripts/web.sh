#!/usr/bin/env bash
# Builds the web page into build/web/index.html: one file that holds the
# page, its worker and the WebAssembly module (qvperfcopy-sync's own code,
# built by Debian's emscripten). It runs from any static web server and
# from a folder opened in the browser, without network access.
#
#   scripts/web.sh            build the page
#   scripts/web.sh --serve    build it, then serve build/web on 127.0.0.1
#   scripts/web.sh --test     build it, then run its tests in headless chromium
#
# Installs emscripten, node, npm and chromium from Debian's packages when
# they are missing, and the tests' DevTools client from npm by its lock file.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=build
case "${1:-}" in
  "") ;;
  --serve) mode="serve" ;;
  --test) mode="test" ;;
  *) echo "web.sh: unknown option $1 (expected --serve or --test)" >&2; exit 2 ;;
esac

fail() { echo "web.sh: $*" >&2; exit 1; }

missing=()
command -v emcc >/dev/null || missing+=(emscripten)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
command -v chromium >/dev/null || missing+=(chromium)
command -v python3 >/dev/null || missing+=(python3)
command -v zip >/dev/null || missing+=(zip)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v cmake >/dev/null || missing+=(cmake)
if [ "${#missing[@]}" -gt 0 ]; then
  # scripts/apt-get.sh says in one line what failed.
  scripts/apt-get.sh update || exit 1
  scripts/apt-get.sh install -y --no-install-recommends "${missing[@]}" || exit 1
fi
# pugixml's and zlib's sources, which scripts/setup.sh unpacks.
[ "${QV_SKIP_SETUP:-0}" = 1 ] || scripts/setup.sh || fail "scripts/setup.sh failed"

# emscripten's tools use Debian's node modules (acorn), which a node from
# elsewhere does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
wasm=build/web-wasm
emcmake cmake -S . -B "$wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_SANITIZE=OFF >/dev/null \
  || fail "configuring the WebAssembly build in $wasm failed"
cmake --build "$wasm" --target qvperfcopy-web || fail "building the module in $wasm failed"
mkdir -p build/web
# The notices of the code the module carries, for the page and its zip.
scripts/notices.sh "$wasm" "$wasm/web/qvperfcopy-web.trace" >build/web/THIRD-PARTY-NOTICES.txt \
  || fail "gathering the module's third-party notices failed"
node web/bundle.mjs "$wasm/web/qvperfcopy-web.js" build/web/THIRD-PARTY-NOTICES.txt build/web/index.html \
  || fail "putting the page together failed"
echo "web.sh: the page is build/web/index.html"

if [ "$mode" = serve ]; then
  port=${QV_WEB_PORT:-8027}
  echo "web.sh: serving build/web at http://127.0.0.1:$port/ (Ctrl+C stops)"
  exec python3 -m http.server --bind 127.0.0.1 --directory build/web "$port"
fi
if [ "$mode" = test ]; then
  (cd web/tests && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null) \
    || fail "installing the tests' packages (npm ci in web/tests) failed"
  # The page's bytes are compared with the command line's.
  { cmake --preset release >/dev/null && cmake --build --preset release --target qvperfcopy-sync >/dev/null; } \
    || fail "building qvperfcopy-sync (the release preset) failed"
  # A MuseScore demo score as scripts/real-scores.sh converted it, if it has.
  demo=()
  for candidate in build/real-scores/*-pattern.musicxml; do
    if [ -e "$candidate" ]; then
      demo=("$candidate")
      break
    fi
  done
  node web/tests/page.test.mjs build/web/index.html build/release/cli/qvperfcopy-sync build/screenshots/web "${demo[@]}"
fi
