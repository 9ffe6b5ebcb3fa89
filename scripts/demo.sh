#!/usr/bin/env bash
# Builds kestrune and runs it on the bundled sample font.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target kestrune kestrune-view >/dev/null

# kestrune ends a completed run with status 1 and an error with 255.
run() {
  echo "== kestrune $*"
  local status=0
  build/kestrune "$@" || status=$?
  if [ "$status" -ne 1 ]; then
    echo "kestrune failed with status $status" >&2
    exit 1
  fi
}

run examples/sample.sfp build/sample-landscape.sfp -r300 -l
run examples/sample.sfp build/sample-clean.sfp -clean

echo "== kestrune-view --chars 65 examples/sample.sfp, then the same A in landscape"
build/kestrune-view --chars 65 examples/sample.sfp | sed -n '/^Character 65/,/^$/p'
build/kestrune-view --chars 65 build/sample-landscape.sfp | sed -n '/^Character 65/,/^$/p'
build/kestrune-view --png build/sample-landscape.png build/sample-landscape.sfp >/dev/null
echo "Contact sheet of the landscape font: build/sample-landscape.png"
