#!/usr/bin/env bash
# Runs the Windows programs under Wine beside the Linux build and compares
# them, in exit status, message lines (a CR before each line's end aside)
# and the bytes of every file written: for every font of the fuzz seed
# corpus and regression inputs, kestrune as a copy and with the option set
# the seed was made for (fuzz_run's first byte; a viewer seed turned,
# cleaned and mended), the viewer's terminal view with its PNG contact
# sheet, and its check, and but for
# fuzz_run's corpus its proof job and the check in JSON, and the
# converter's BDF of it; the converter's soft
# fonts of the BDF seeds and of the PNG images, its --compress and
# --expand, and a download file of the sample; command lines that fail;
# the book of rules; then
# the output's safety cases (the viewer's proof among them) and a Unicode
# file name on Windows alone.
#   scripts/check_windows.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
export LC_ALL=C.UTF-8  # Wine reads the Unicode names by the locale
cd "$(dirname "$0")/.."
linux=$(realpath "$1")
windows=$(realpath "$2")
work=$(mktemp -d)
source scripts/wine.sh
trap 'wine_stop; rm -rf "$work"' EXIT
# The prefix is kept beside the programs.
wine_start "$windows/wine-prefix"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs one program (on Wine for an .exe) in DIR, made anew as a copy of the
# directory FONT, which holds the font as `in.sfp`; leaves there the status,
# the messages and what else the run left.
run_in() {  # DIR FONT PROGRAM ARGS...
  local dir=$1 font=$2 status=0
  shift 2
  cp -r "$font" "$dir"
  if [[ $1 == *.exe ]]; then
    (cd "$dir" && on_wine messages "$@") || status=$?
  else
    (cd "$dir" && timeout 120 "$@" >messages 2>&1) || status=$?
  fi
  echo "$status" >"$dir/status"
}

# Runs PROGRAM of each build with ARGS on FONT, in new directories in $here;
# both must leave the same, the messages compared without a CR before each
# line's end. Every run has directories of its own: clearing one away would
# cost more than the run.
cases=0
here=$work
compare_runs() {  # FONT PROGRAM ARGS...
  local font=$1 program=$2 run
  shift 2
  cases=$((cases + 1))
  run="$here/$cases"
  run_in "$run-linux" "$font" "$linux/$program" "$@"
  run_in "$run-windows" "$font" "$windows/$program.exe" "$@"
  sed -i 's/\r$//' "$run-linux/messages" "$run-windows/messages"
  diff -r "$run-linux" "$run-windows" >/dev/null && return
  fail "$program $* on $(basename "$font")"
  diff -r "$run-linux" "$run-windows" | head -n 10 || true
}

# Each font in a directory of its own, as `in.sfp`.
fonts="$work/fonts"
add_font() {  # NAME: the font on standard input
  mkdir -p "$fonts/$1"
  cat >"$fonts/$1/in.sfp"
}
# fuzz_run's option sets in the order of its table, one a line, "refused"
# before those the tool refuses before it reads a font.
option_table() {
  sed -n '/kOptionSets\[\]\[4\] = {/,/^};/p' fuzz/fuzz_run.cpp | grep '^ *{' |
    while IFS= read -r entry; do
      set=$(grep -o '{[^}]*}' <<<"$entry" | head -n 1 | sed 's/[{}",]//g; s/nullptr//')
      if grep -q '// refused' <<<"$entry"; then echo "refused $set"; else echo "run $set"; fi
    done
}
mapfile -t option_table < <(option_table)
refused_option_sets=()
for entry in "${option_table[@]}"; do
  [[ $entry == refused* ]] && refused_option_sets+=("${entry#refused }")
done
# A run seed is the font after one byte that picks its option set, as
# fuzz_run reads it: each is run with that set (the refused ones once, below)
# and as a copy. A font of the viewer's corpus is run as a copy, turned,
# cleaned and mended.
picked="$work/picked"
mkdir -p "$picked"
# The seeds of fuzz_run's corpus are shown and checked in lines only; the
# proof job and the JSON of the check are compared for the others.
lines_only="$work/lines-only"
mkdir -p "$lines_only"
for input in fuzz/corpus/fuzz_run/* fuzz/regressions/fuzz_run/*; do
  name="run-$(basename "$input")"
  tail -c +2 "$input" | add_font "$name"
  entry=${option_table[$(($(od -An -tu1 -N1 "$input") % ${#option_table[@]}))]}
  [[ $entry == run* ]] && echo "${entry#run }" >"$picked/$name"
  [[ $input == fuzz/corpus/* ]] && touch "$lines_only/$name"
done
for input in fuzz/corpus/fuzz_view/* fuzz/regressions/fuzz_view/*; do
  add_font "$(basename "$input")" <"$input"
  printf '%s\n' -l -clean "-fix -l" >"$picked/$(basename "$input")"
done
# Every run of each font. A run under Wine mostly waits for the Wine server,
# so several workers share the fonts; each says what failed, then its tally.
compare_fonts() {  # WORKER FONTS...
  here="$work/worker$1"
  mkdir "$here"
  shift
  local font options view
  # shellcheck disable=SC2086  # an option set or a command line is split into words
  for font; do
    compare_runs "$font" kestrune in.sfp out.sfp
    if [ -f "$picked/$(basename "$font")" ]; then
      while IFS= read -r options; do
        [ -n "$options" ] && compare_runs "$font" kestrune in.sfp out.sfp $options
      done <"$picked/$(basename "$font")"
    fi
    # The terminal view, and the contact sheet beside it, byte for byte.
    compare_runs "$font" kestrune-view --png sheet.png in.sfp
    compare_runs "$font" kestrune-view --check in.sfp
    if [ ! -f "$lines_only/$(basename "$font")" ]; then
      compare_runs "$font" kestrune-view --chars 48-57,65 --proof proof.pcl in.sfp
      compare_runs "$font" kestrune-view --check --json in.sfp
    fi
    compare_runs "$font" kestrune-convert in.sfp out.bdf
  done
  echo "$cases $failures" >"$here.tally"
}
workers=$(($(nproc 2>/dev/null || echo 2) + 1))
all_fonts=("$fonts"/*)
for ((worker = 0; worker < workers; worker++)); do
  share=()
  for ((at = worker; at < ${#all_fonts[@]}; at += workers)); do share+=("${all_fonts[at]}"); done
  compare_fonts "$worker" "${share[@]}" >"$work/worker$worker.log" 2>&1 &
done
wait
for ((worker = 0; worker < workers; worker++)); do
  cat "$work/worker$worker.log"
  read -r worker_cases worker_failures <"$work/worker$worker.tally"
  cases=$((cases + worker_cases))
  failures=$((failures + worker_failures))
done
# Command lines that fail before a font is read, or fail to write it.
mkdir "$work/sample" && cp examples/sample.sfp "$work/sample/in.sfp"
for options in "${refused_option_sets[@]}"; do
  # shellcheck disable=SC2086
  compare_runs "$work/sample" kestrune in.sfp out.sfp $options
done
for args in "" "in.sfp" "none.sfp out.sfp" "in.sfp nodir/out.sfp" "in.sfp ." "-l out.sfp -l" \
  "in.sfp out.sfp -r600dpi --landscape"; do
  # shellcheck disable=SC2086
  compare_runs "$work/sample" kestrune $args
done
# BDF fonts made into soft fonts: the converter tells them by their content.
for input in fuzz/corpus/fuzz_bdf/*; do
  add_font "bdf-$(basename "$input")" <"$input"
  compare_runs "$fonts/bdf-$(basename "$input")" kestrune-convert --scale 4 in.sfp out.sfp
done
# Characters written compressed where that is smaller, and a font of
# compressed characters written uncompressed.
compare_runs "$work/sample" kestrune-convert --compress in.sfp out.sfp
compare_runs "$fonts/run-compressed-clean" kestrune-convert --expand in.sfp out.sfp
# PNG images made into soft fonts and BDF: each alone with a code, merged
# with itself at another threshold and resolution, and added to the sample
# font (fuzz_png's seeds, after the byte that picks its threshold).
for input in fuzz/corpus/fuzz_png/*; do
  tail -c +2 "$input" | add_font "png-$(basename "$input")"
  cp "$work/sample/in.sfp" "$fonts/png-$(basename "$input")/sample.sfp"
  compare_runs "$fonts/png-$(basename "$input")" kestrune-convert --code 83 in.sfp out.sfp
  compare_runs "$fonts/png-$(basename "$input")" kestrune-convert --threshold 90 --dpi 600 \
    in.sfp in.sfp out.bdf
  compare_runs "$fonts/png-$(basename "$input")" kestrune-convert --code 200 sample.sfp in.sfp \
    out.sfp
done
# A download file, and the download options refused.
for args in "" "in.sfp" "none.sfp out.sfp" "in.sfp nodir/out.sfp" "--scale 17 in.sfp out.sfp" \
  "in.sfp in.sfp out.bdf --name TooLongForAFontName" "--font-id 12 --permanent in.sfp out.sfp" \
  "--permanent in.sfp out.sfp" "--font-id 12 in.sfp out.bdf" "--compress --expand in.sfp out.sfp"; do
  # shellcheck disable=SC2086
  compare_runs "$work/sample" kestrune-convert $args
done
# The book of rules, and a library checked at once.
compare_runs "$work/sample" kestrune-view --rules
compare_runs "$work/sample" kestrune-view --check in.sfp none.sfp in.sfp
echo "-- $cases runs compared with the Linux build over ${#all_fonts[@]} fonts"

# The output's safety, on Windows alone: the expected files in the end.
kestrune_exe() { on_wine "$work/messages" "$windows/kestrune.exe" "$@"; }
expect() {  # WHAT STATUS EXPECTED-STATUS FILES... (what the directory holds)
  local what=$1 status=$2 wanted=$3
  shift 3
  [ "$status" -eq "$wanted" ] || fail "$what: status $status, not $wanted"
  [ "$(cd "$work/safety" && ls | tr '\n' ' ')" = "$* " ] || fail "$what: left $(ls "$work/safety")"
}
sample=examples/sample.sfp
rm -rf "$work/safety" && mkdir "$work/safety" && cd "$work/safety"
cp "$OLDPWD/$sample" in.sfp && echo old >out.sfp && status=0
kestrune_exe in.sfp out.sfp -l || status=$?
"$linux/kestrune" in.sfp linux.sfp -l >/dev/null || true
cmp -s out.sfp linux.sfp || fail "an existing output is not replaced by the font"
rm linux.sfp && expect "an existing output replaced" "$status" 1 in.sfp out.sfp
chmod a-w out.sfp && status=0 && kestrune_exe in.sfp out.sfp || status=$?
cmp -s in.sfp out.sfp && [ "$(stat -c %a out.sfp)" = 444 ] || fail "a read-only output is not replaced, read-only"
chmod u+w out.sfp && expect "a read-only output replaced" "$status" 1 in.sfp out.sfp
head -c 50 in.sfp >cut.sfp && cp out.sfp "$work/before.sfp" && status=0
kestrune_exe cut.sfp out.sfp -l || status=$?
cmp -s out.sfp "$work/before.sfp" || fail "a failed run changed the output"
expect "a failed run" "$status" 255 cut.sfp in.sfp out.sfp
rm cut.sfp && ln in.sfp link.sfp
for same in in.sfp IN.SFP link.sfp; do
  status=0 && kestrune_exe in.sfp "$same" || status=$?
  grep -q '^Error: Input and output are the same file\.' "$work/messages" || fail "$same not refused"
  expect "the same file as $same" "$status" 255 in.sfp link.sfp out.sfp
done
rm link.sfp out.sfp && status=0 && kestrune_exe in.sfp NUL -clean || status=$?
expect "NUL as the output" "$status" 1 in.sfp
mv in.sfp шрифт.sfp && status=0 && kestrune_exe шрифт.sfp копия.sfp -l || status=$?
"$linux/kestrune" шрифт.sfp linux.sfp -l | sed 's/linux\.sfp/копия.sfp/' >linux.txt || true
sed 's/\r$//' "$work/messages" | cmp -s - linux.txt || fail "a Unicode name printed otherwise"
cmp -s копия.sfp linux.sfp || fail "a Unicode name written otherwise"
rm linux.sfp linux.txt && expect "a Unicode name" "$status" 1 копия.sfp шрифт.sfp
# A Ctrl-C (Wine makes one of SIGINT) in the middle of a long copy removes
# the new file, and leaves no output.
{ cat копия.sfp && head -c 300M /dev/zero; } >long.sfp && rm копия.sfp
"$wine" "$windows/kestrune.exe" long.sfp копия.sfp >/dev/null 2>&1 &
for _ in $(seq 500); do ls -A | grep -q '^\.копия\.sfp\.' && break || sleep 0.01; done
kill -INT $! && wait $! || true
expect "a run ended by Ctrl-C" 0 0 long.sfp шрифт.sfp
rm long.sfp
# The viewer's proof takes an earlier one's place only when the run
# completes: a proof refused for a font of orientation 4 (descriptor byte 12)
# leaves it as it was.
view_exe() { on_wine "$work/messages" "$windows/kestrune-view.exe" "$@"; }
cp шрифт.sfp odd.sfp && at=$(head -c 16 odd.sfp | grep -abo W | head -n 1 | cut -d: -f1)
printf '\004' | dd of=odd.sfp bs=1 seek=$((at + 13)) conv=notrunc status=none
echo old >proof.pcl && status=0 && view_exe --proof proof.pcl odd.sfp || status=$?
[ "$(cat proof.pcl)" = old ] || fail "a refused proof changed an earlier one"
expect "a refused proof" "$status" 2 odd.sfp proof.pcl шрифт.sfp
status=0 && view_exe --proof proof.pcl шрифт.sfp || status=$?
"$linux/kestrune-view" --proof linux.pcl шрифт.sfp >/dev/null || true
cmp -s proof.pcl linux.pcl || fail "a completed proof does not replace an earlier one"
rm odd.sfp proof.pcl linux.pcl && expect "a completed proof" "$status" 0 шрифт.sfp
cd "$OLDPWD"

# Linked statically: no DLL but the system's.
for program in kestrune kestrune-view kestrune-convert; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$windows/$program.exe" | sed -n 's/^\tDLL Name: //p')
  echo "-- $program.exe uses" $dlls
  if grep -qiv -E '^(kernel32|msvcrt|user32|advapi32|shell32|ws2_32|ucrtbase|api-ms-win-.*)\.dll$' \
    <<<"$dlls"; then
    fail "$program.exe needs a DLL that is not the system's"
  fi
done

[ "$failures" -eq 0 ] || { echo "$failures Windows checks failed"; exit 1; }
echo "-- the Windows build agrees with the Linux build"
