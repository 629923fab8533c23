#!/usr/bin/env bash
# Prints how fast the Run engine is, from whole processes timed over several rounds. In each
# round the two commands of a pair run one after the other, so that a change of the machine's
# speed hits both; a figure is the median of the rounds' ratios, with the lowest and highest.
# Times are the processes' CPU seconds (user + system).
#
#   registers, memsum, newword  the plain interpreter's time over mic1 run's on the loops of
#                               bench/loops (higher is better: 2.5 means mic1 is 2.5x as fast)
#   fibonacci                   fibonacci.jvm (input 30) on examples/ijvm.mal: OLD_MIC1's time
#                               over mic1's, when OLD_MIC1 is given
#   window                      the window's Run of the same (history, counts, a breakpoint it
#                               never reaches) over mic1's: each is its process less the same
#                               process without the Run (lower is better: 1.0 is as fast)
#
# Usage: bench/ratios.sh [BUILD_DIR] [ROUNDS] [OLD_MIC1]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
rounds=${2:-7}
old=${3:-}
mic1=$build/cli/mic1
plain=$build/bench/tarveno_plain
window=$build/bench/window/tarveno_window_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# CPU seconds of a command; its standard output goes to the file $out.
cpu() {
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" >"$out" 2>/dev/null || true
    tail -1 "$work/time" | awk '{ printf "%.3f", $1 + $2 }'
}
# Median, lowest and highest of the numbers on standard input.
summary() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.2f (%.2f to %.2f)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f\n", a / b }'; }

# A loop of bench/loops against the plain interpreter: its arguments after the name.
loop() {
    local name=$1
    shift
    "$mic1" asm "bench/loops/$name.mal" -o "$work/$name.bin" --no-check >/dev/null
    local ratios=() a b first second
    for ((i = 0; i <= rounds; i++)); do
        out=$work/plain.out a=$(cpu "$plain" "$work/$name.bin" "$@")
        out=$work/mic1.out b=$(cpu "$mic1" run "$work/$name.bin" "$@")
        first=$(head -1 "$work/plain.out")
        second=$(head -1 "$work/mic1.out")
        if [ "$first" != "$second" ]; then
            echo "$name: the plain interpreter and mic1 ended differently" >&2
            exit 1
        fi
        ((i > 0)) && ratios+=("$(ratio "$a" "$b")") # the first round warms up
    done
    printf '%-10s %s\n' "$name" "$(printf '%s\n' "${ratios[@]}" | summary)"
}

loop registers --mem 0=60000000 --max-steps 0
loop memsum --mem 0=12000 --mem 1=4096 --max-steps 0
loop newword --max-steps 40000000

fibonacci=(run examples/ijvm.mal --ijvm examples/fibonacci.jvm --stdin 30 --max-steps 0)
if [ -n "$old" ]; then
    ratios=()
    for ((i = 0; i <= rounds; i++)); do
        out=$work/old.out a=$(cpu "$old" "${fibonacci[@]}")
        out=$work/new.out b=$(cpu "$mic1" "${fibonacci[@]}")
        ((i > 0)) && ratios+=("$(ratio "$a" "$b")")
    done
    printf '%-10s %s\n' fibonacci "$(printf '%s\n' "${ratios[@]}" | summary)"
fi

if [ -x "$window" ]; then
    export QT_QPA_PLATFORM=offscreen
    ratios=()
    for ((i = 0; i <= rounds; i++)); do
        out=$work/w.out w=$(cpu "$window" ijvm-run-once)
        out=$work/w0.out w0=$(cpu "$window" ijvm-load-once)
        out=$work/m.out m=$(cpu "$mic1" "${fibonacci[@]}")
        out=$work/m0.out m0=$(cpu "$mic1" "${fibonacci[@]:0:7}" 1)
        ((i > 0)) && ratios+=("$(awk -v w="$w" -v w0="$w0" -v m="$m" -v m0="$m0" 'BEGIN { printf "%.4f\n", (w - w0) / (m - m0) }')")
    done
    printf '%-10s %s\n' window "$(printf '%s\n' "${ratios[@]}" | summary)"
fi
