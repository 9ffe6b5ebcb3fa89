#!/usr/bin/env python3
"""Whole-process benchmark: kestrune against cp on the same fonts.

For every font, times `cp FONT OUT` (with the copy flushed to the disk, as
kestrune flushes its output) and kestrune in copy, -r600, -clean, -l and -fix
modes (standard output to /dev/null), several repetitions each; every
repetition runs every mode on every font in turn, so that drift in the machine
hits them alike. Reports the median wall time, each mode's ratio to cp,
throughput and the peak resident memory (as GNU time reports it, the median of
five more runs of each mode), then checks the targets in bench/README.md;
exits 1 when one is missed.

    bench/run_bench.py --kestrune BUILD/kestrune --fonts DIR [--reps N]

DIR holds the fonts written by make_bench_fonts (glyphs-64m.sfp, glyphs-6m.sfp,
continued-64m.sfp, compressed.sfp, chars-40k.sfp, compressed-40k.sfp,
landscape-40k.sfp, header-only.sfp); the outputs are written beside them and
removed afterwards. landscape-40k.sfp is only copied by cp.
"""

import argparse
import os
import shutil
import statistics
import sys
import time

FONTS = [
    "glyphs-64m.sfp",
    "glyphs-6m.sfp",
    "continued-64m.sfp",
    "compressed.sfp",
    "chars-40k.sfp",
    "compressed-40k.sfp",
    "landscape-40k.sfp",
    "header-only.sfp",
]
# -l writes a compressed font's glyphs unpacked, here three and six times its
# size: it is held to the copy of the font it writes, the same glyphs
# uncompressed (for compressed-40k.sfp, byte for byte what -l writes).
CP_OF_WHAT_IS_WRITTEN = {
    ("compressed.sfp", "-l"): "glyphs-64m.sfp",
    ("compressed.sfp", "-fix"): "glyphs-64m.sfp",  # continued, so written unpacked
    ("compressed-40k.sfp", "-l"): "landscape-40k.sfp",
}
MODES = ["cp", "copy", "-r600", "-clean", "-l", "-fix"]
# Fonts that are there only to be copied for a target above.
CP_ONLY = {"landscape-40k.sfp"}
# Ratio to cp that each mode must stay within.
# -fix reads the body twice: once for the codes, once to mend and write.
TARGET_RATIO = {"copy": 1.1, "-r600": 1.1, "-clean": 1.3, "-l": 1.5, "-fix": 1.5}
TARGET_RSS_MIB = 8.0
GNU_TIME = "/usr/bin/time"


def command(mode, kestrune, font, out):
    if mode == "cp":
        return ["cp", font, out]
    args = [kestrune, font, out]
    if mode != "copy":
        args.append(mode)
    return args


def spawn(argv, out):
    """Runs argv with standard output to /dev/null; returns (seconds, exit code).

    kestrune flushes its output to the disk before it reports a completed
    run, which cp does not: cp's copy is flushed too, inside its time.
    """
    if os.path.exists(out):
        os.remove(out)
    actions = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)]
    start = time.perf_counter()
    pid = os.posix_spawn(which(argv[0]), argv, os.environ, file_actions=actions)
    _, status, _ = os.wait4(pid, 0)
    if argv[0] == "cp" and os.path.exists(out):
        descriptor = os.open(out, os.O_RDONLY)
        os.fsync(descriptor)
        os.close(descriptor)
    return time.perf_counter() - start, os.waitstatus_to_exitcode(status)


def timed_run(argv, out):
    seconds, code = spawn(argv, out)
    expected = 0 if argv[0] == "cp" else 1
    if code != expected:
        sys.exit(f"{' '.join(argv)} exited with {code}")
    return seconds


def peak_rss_kib(argv, out, runs=5):
    """The child's peak resident memory as GNU time reports it, median of runs.

    wait4 from this script would count the script's own memory: a child's peak
    carries over the peak of the process image it replaced, so the measured
    process is started by GNU time, itself a small program. One run's figure
    moves by a few hundred KiB with how much of the executable the kernel
    maps in, which at about 2 MiB is more than the 10% the check allows.
    """
    report = out + ".rss"
    peaks = []
    for _ in range(runs):
        spawn([GNU_TIME, "-f", "%M", "-o", report] + argv, out)
        with open(report) as f:
            peaks.append(int(f.read().split()[-1]))
    os.remove(report)
    return statistics.median(peaks)


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def which(name):
    found = name if os.sep in name else shutil.which(name)
    if found is None:
        sys.exit(f"{name} not found")
    return found


def modes_of(font):
    return ["cp"] if os.path.basename(font) in CP_ONLY else MODES


def measure(kestrune, fonts, reps):
    """Median time and peak memory of every mode on every font.

    Every round runs every mode on every font, so that a slow spell of the
    machine falls on all of them alike rather than on one font's figures.
    """
    times = {(font, mode): [] for font in fonts for mode in modes_of(font)}
    for rep in range(reps + 1):  # the first round warms the page cache
        for font in fonts:
            out = font + ".out"
            for mode in modes_of(font):
                seconds = timed_run(command(mode, kestrune, font, out), out)
                if rep > 0:
                    times[(font, mode)].append(seconds)
    results = {}
    for font in fonts:
        out = font + ".out"
        results[font] = {
            mode: (
                statistics.median(times[(font, mode)]),
                peak_rss_kib(command(mode, kestrune, font, out), out),
            )
            for mode in modes_of(font)
        }
        if os.path.exists(out):
            os.remove(out)
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kestrune", required=True, help="path of the kestrune executable")
    parser.add_argument("--fonts", required=True, help="directory with the generated fonts")
    parser.add_argument("--reps", type=int, default=7, help="timed repetitions of each mode")
    args = parser.parse_args()

    print(f"machine: {os.cpu_count()} cores, {cpu_model()}")
    paths = [os.path.join(args.fonts, name) for name in FONTS]
    measured = measure(os.path.abspath(args.kestrune), paths, args.reps)
    # A ratio may be to the cp of a font further down the list.
    results = {name: (os.path.getsize(font), measured[font]) for name, font in zip(FONTS, paths)}
    print(f"{'font':<18} {'mode':<7} {'median ms':>10} {'x cp':>6} {'MB/s':>8} {'peak RSS MiB':>13}")
    for name in FONTS:
        size = results[name][0]
        for mode in modes_of(name):
            seconds, kib = results[name][1][mode]
            cp_time = results[CP_OF_WHAT_IS_WRITTEN.get((name, mode), name)][1]["cp"][0]
            print(
                f"{name:<18} {mode:<7} {seconds * 1e3:>10.1f} {seconds / cp_time:>6.2f}"
                f" {size / seconds / 1e6:>8.0f} {kib / 1024:>13.2f}"
            )

    failures = check_targets(results)
    for line in failures:
        print("MISSED: " + line)
    print("all targets met" if not failures else f"{len(failures)} targets missed")
    return 1 if failures else 0


def check_targets(results):
    failures = []
    for name, (_, by_mode) in results.items():
        if name == "header-only.sfp" or name in CP_ONLY:
            continue
        for mode, limit in TARGET_RATIO.items():
            cp_font = CP_OF_WHAT_IS_WRITTEN.get((name, mode), name)
            ratio = by_mode[mode][0] / results[cp_font][1]["cp"][0]
            if ratio > limit:
                failures.append(f"{name} {mode}: {ratio:.2f}x cp, target {limit}x")
    big, tenth = results["glyphs-64m.sfp"][1], results["glyphs-6m.sfp"][1]
    for mode in TARGET_RATIO:
        mib = big[mode][1] / 1024
        if mib >= TARGET_RSS_MIB:
            failures.append(f"glyphs-64m.sfp {mode}: peak RSS {mib:.2f} MiB")
        if big[mode][1] > tenth[mode][1] * 1.1:
            failures.append(
                f"{mode}: peak RSS grows with the font ({big[mode][1]} vs {tenth[mode][1]} KiB)"
            )
    # Per byte, the cost of a run with nothing to handle (the header-only
    # font) taken off, so that starting the process does not count against
    # the smaller font.
    fixed = results["header-only.sfp"][1]
    glyph_size, glyph_times = results["glyphs-64m.sfp"]
    char_size, char_times = results["chars-40k.sfp"]
    for mode in ["cp"] + list(TARGET_RATIO):
        glyph_ns = (glyph_times[mode][0] - fixed[mode][0]) / glyph_size * 1e9
        char_ns = (char_times[mode][0] - fixed[mode][0]) / char_size * 1e9
        print(
            f"per byte, {mode:<7} glyphs-64m {glyph_ns:.2f} ns, chars-40k {char_ns:.2f} ns:"
            f" {char_ns / glyph_ns:.2f}x"
        )
        if mode != "cp" and char_ns > 2.0 * glyph_ns:
            failures.append(f"{mode}: many-character font {char_ns / glyph_ns:.2f}x slower per byte")
    return failures


if __name__ == "__main__":
    sys.exit(main())
