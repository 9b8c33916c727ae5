#!/usr/bin/env bash
# Builds Vendaro.exe and runs it: under Wine on Linux. With a display ($DISPLAY) the
# widget runs there until you close it; without one it runs for a few seconds on a
# virtual display and a screenshot is saved, whose path is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    # MSYS2's MinGW-w64 shell: the native compiler already targets Windows.
    cmake -S . -B build/windows-host -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DVENDARO_TESTS=OFF
    cmake --build build/windows-host --target Vendaro
    exec build/windows-host/bin/Vendaro.exe
    ;;
esac

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Vendaro
exe=$PWD/build/windows/bin/Vendaro.exe
export VENDARO_WINE_ROOT=$PWD/build/windows/wine
session=tools/wine-session

if [[ -n ${DISPLAY:-} ]]; then
  "$session" start desktop current
  trap '"$session" stop desktop' EXIT
  VENDARO_WINE_SESSION=desktop "$session" exec "$exe"
  exit 0
fi

"$session" start demo 1920x1080 >/dev/null
trap '"$session" stop demo' EXIT
display=$("$session" display demo)
VENDARO_WINE_SESSION=demo "$session" exec "$exe" &
runner=$!
# Give the widget time to start and paint.
for _ in $(seq 50); do
  if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -qi '"vendaro.exe"'; then break; fi
  sleep 0.2
done
sleep 4
mkdir -p build/windows/screenshots
shot=$PWD/build/windows/screenshots/vendaro-run.png
DISPLAY=$display xwd -root -silent | convert xwd:- "$shot"
"$session" stop demo
trap - EXIT
wait "$runner" 2>/dev/null || true
echo "Screenshot: $shot"
