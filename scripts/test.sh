#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively (plain and with
# AddressSanitizer/UBSan), the fuzz targets for a bounded time, then the Windows
# build with its unit and end-to-end tests under Wine on virtual displays.
# Exits non-zero if anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1

mkdir -p build
failed=()
for preset in native native-sanitize fuzz windows; do
  echo "==== $preset"
  log=build/configure-$preset.log
  if cmake --preset "$preset" >"$log" 2>&1 || { cat "$log"; false; }; then
    if cmake --build --preset "$preset" && ctest --preset "$preset"; then
      continue
    fi
  fi
  failed+=("$preset")
done

if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test suites passed."
