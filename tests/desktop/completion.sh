#!/usr/bin/env bash
# Completes mic1 command lines as bash would, in a folder with one file of each kind, and
# compares what is offered. Usage: completion.sh COMPLETION_FILE
# shellcheck source=/dev/null
source "$1" || exit 1
export LC_ALL=C
folder=$(mktemp -d) || exit 1
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
touch a.mal b.bin c.jvm d.toml e.txt
mkdir sub

failed=0
# expect "OFFERED..." WORD...: the last word is the one under the cursor.
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    _mic1
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$*' offered '$got', expected '$want'"
        failed=1
    fi
}

expect "asm grade ijvm run test" mic1 ""
expect "run" mic1 r
expect "--help --lang --version" mic1 -
expect "course en" mic1 --lang ""
expect "c.jvm sub" mic1 ijvm --lang en ""
expect "--max-memory --max-steps --mem --mode" mic1 run --m
expect "--help --lang --no-check --output -o" mic1 asm -

expect "a.mal sub" mic1 asm ""
expect "b.bin sub" mic1 asm a.mal -o ""
expect "a.mal b.bin sub" mic1 run ""
expect "a.mal" mic1 run --trace a
expect "c.jvm sub" mic1 run a.mal --ijvm ""
expect "c.jvm sub" mic1 run a.mal --ijvm =
expect "c.jvm" mic1 run a.mal --ijvm = c
expect "run" mic1 run a.mal --mode r
expect "csv" mic1 run a.mal --trace --format c
expect "" mic1 run a.mal --back ""
expect "" mic1 run a.mal --max-steps ""
expect "c.jvm sub" mic1 ijvm ""

# test: one microprogram, then any number of suites, options and their values aside.
expect "a.mal b.bin sub" mic1 test ""
expect "d.toml sub" mic1 test a.mal ""
expect "d.toml sub" mic1 test a.mal d.toml ""
expect "d.toml sub" mic1 test --help a.mal ""
expect "d.toml sub" mic1 test --reference a.mal --jobs 2 b.bin ""
expect "a.mal b.bin sub" mic1 test a.mal d.toml --reference ""
expect "sub" mic1 grade a.mal d.toml --submissions ""
expect "--max-memory" mic1 grade --m
exit $failed
