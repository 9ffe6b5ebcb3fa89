#!/usr/bin/env bash
# Builds kestrune, kestrune-view and kestrune-convert, then, from the
# bundled sample font,
# writes build/sample-landscape.sfp (set to 300 dpi in a format 20 header and
# turned to landscape), shows the letter A before and after the turn, and
# writes a contact sheet of the landscape font, build/sample-landscape.png
# (where stb was found). The sample's fill bits are clear, so -clean is
# shown on build/sample-filled.sfp, the same glyphs with every fill bit set
# (as some font converters leave them): it writes build/sample-clean.sfp,
# which is the sample again. Last, kestrune-convert writes the sample as a
# BDF font, build/sample.bdf, and makes it a soft font again,
# build/sample-again.sfp, which is the sample byte for byte; then a download
# file of the sample, compressed, under font ID 12 (build/sample-download.sfp),
# and, where stb was found, a one-character logo font made from the contact
# sheet as an image (build/logo.sfp).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target kestrune kestrune-view kestrune-convert make_sample_font >/dev/null

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

run examples/sample.sfp build/sample-landscape.sfp -r300 -f20 -l
build/make_sample_font --fill-bits build/sample-filled.sfp >/dev/null
run build/sample-filled.sfp build/sample-clean.sfp -clean
changed=$({ cmp -l build/sample-filled.sfp build/sample-clean.sfp || true; } | wc -l)
if [ "$changed" -eq 0 ] || ! cmp -s build/sample-clean.sfp examples/sample.sfp; then
  echo "-clean did not clear the fill bits of build/sample-filled.sfp" >&2
  exit 1
fi
echo "-clean cleared fill bits in $changed bytes: build/sample-clean.sfp is the sample again"

echo "== kestrune-view --chars 65 examples/sample.sfp, then the same A in landscape"
build/kestrune-view --chars 65 examples/sample.sfp | sed -n '/^Character 65/,/^$/p'
build/kestrune-view --chars 65 build/sample-landscape.sfp | sed -n '/^Character 65/,/^$/p'
if build/kestrune-view --png build/sample-landscape.png build/sample-landscape.sfp >/dev/null; then
  echo "Contact sheet of the landscape font: build/sample-landscape.png"
fi

# kestrune-convert ends with 0 when the font was written.
echo "== kestrune-convert examples/sample.sfp build/sample.bdf"
build/kestrune-convert examples/sample.sfp build/sample.bdf
head -n 12 build/sample.bdf
echo "== kestrune-convert build/sample.bdf build/sample-again.sfp"
build/kestrune-convert build/sample.bdf build/sample-again.sfp
if ! cmp build/sample-again.sfp examples/sample.sfp; then
  echo "build/sample-again.sfp, made from build/sample.bdf, is not the sample" >&2
  exit 1
fi
echo "build/sample-again.sfp, made from build/sample.bdf, is the sample again"

echo "== kestrune-convert --compress --font-id 12 --permanent examples/sample.sfp build/sample-download.sfp"
build/kestrune-convert --compress --font-id 12 --permanent examples/sample.sfp \
  build/sample-download.sfp
build/kestrune-view --table build/sample-download.sfp | sed -n '/^Font ID/p;/Selected by/p;/In printf/p'
if [ -f build/sample-landscape.png ]; then
  echo "== kestrune-convert --code 76 build/sample-landscape.png build/logo.sfp"
  build/kestrune-convert --code 76 build/sample-landscape.png build/logo.sfp
fi
