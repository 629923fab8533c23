#!/usr/bin/env bash
# Grades a generated class of 40 submissions against the shipped suites with mic1 grade, and
# checks that each row of the gradebook is what its submission is: correct, one of the usual
# faults, slow, endless, memory-hungry or not assembling. Prints the wall time of mic1 grade.
#   bench/grade-class.sh [MIC1 [FOLDER]]
# MIC1 defaults to build/cli/mic1. With FOLDER the class is made there and kept, so that the
# grading can be timed again by other means:
#   mic1 grade examples/ijvm.mal examples/tests/*.toml --submissions FOLDER/class --out FOLDER/grades
set -euo pipefail
cd "$(dirname "$0")/.."
mic1=$(realpath "${1:-build/cli/mic1}")
if [[ -n ${2:-} ]]; then
    folder=$2
    mkdir -p "$folder"
else
    folder=$(mktemp -d)
    trap 'rm -rf "$folder"' EXIT
fi
reference=examples/ijvm.mal
rm -rf "$folder/class" "$folder/grades"
mkdir -p "$folder/class"

# A submission: ijvm.mal with one statement's text replaced, and statements added at its end.
submission() {
    local name=$1 from=$2 to=$3 extra=${4:-}
    grep -qF -- "$from" "$reference" || { echo "no '$from' in $reference" >&2; exit 1; }
    FROM=$from TO=$to awk '{ i = index($0, ENVIRON["FROM"]); if (i) $0 = substr($0, 1, i - 1) ENVIRON["TO"] substr($0, i + length(ENVIRON["FROM"])); print }' \
        "$reference" >"$folder/class/$name.mal"
    printf '%s' "$extra" >>"$folder/class/$name.mal"
}

kinds=(correct iadd-or icmpeq-always no-zero wrong-lv endless-swap syntax slow endless memory)
for i in $(seq -w 1 40); do
    kind=${kinds[$(((10#$i - 1) % ${#kinds[@]}))]}
    name=s$i-$kind
    case $kind in
    correct) cp "$reference" "$folder/class/$name.mal" ;;
    iadd-or) submission "$name" "MDR = TOS = MDR + H; WR" "MDR = TOS = MDR OR H; WR" ;;
    icmpeq-always) submission "$name" "OPC = TOS - H    " "OPC = 0          " ;;
    no-zero) submission "$name" "ZERO    MAR = SP = SP + 1; WR;" "ZERO    MAR = SP = SP + 1;" ;;
    wrong-lv) submission "$name" "MDR = LV; WR    " "MDR = LV + 1; WR" ;;
    endless-swap) submission "$name" "TOS = H; GOTO MAIN   " "TOS = H; GOTO SWAP2  " ;;
    syntax) submission "$name" "NOP     GOTO MAIN " "NOP     GOTO MAIM " ;;
    slow) submission "$name" "BIPUSH  MAR = SP = SP + 1; GOTO BIPUSH2" "BIPUSH  MAR = SP = SP + 1; GOTO SLOWPUSH" \
        $'SLOWPUSH H = H\n        GOTO BIPUSH2\n' ;;
    endless) submission "$name" "MAIN    H = PC = PC + 1; FETCH; GOTO (MBR)" "MAIN    H = PC = PC + 1; FETCH; GOTO MAIN" ;;
    memory) submission "$name" "NOP     GOTO MAIN " "NOP     MAR = SP = SP + 1; WR; GOTO NOP " ;;
    esac
done

start=$(date +%s.%N)
"$mic1" grade "$reference" examples/tests/*.toml --submissions "$folder/class" --out "$folder/grades" >/dev/null
end=$(date +%s.%N)

failed=0
while IFS=, read -r student score max percent passed failed_ errors assembles micro ratio; do
    [[ $student == student ]] && continue
    kind=${student#s??-}
    ok=yes
    case $kind in
    correct) [[ $score == "$max" && $assembles == yes && $ratio == 1 ]] || ok=no ;;
    slow) [[ $score == "$max" && $assembles == yes ]] && awk -v r="$ratio" 'BEGIN { exit !(r > 1) }' || ok=no ;;
    syntax) [[ $assembles == no && $score == 0 ]] || ok=no ;;
    endless) [[ $assembles == yes && $passed == 0 && $errors == 0 ]] || ok=no ;;
    *) [[ $assembles == yes && $passed -lt $((passed + failed_)) && $failed_ -gt 0 && $errors == 0 ]] || ok=no ;;
    esac
    if [[ $ok == no ]]; then
        echo "FAIL: $student: $score/$max, $passed passed, $failed_ failed, $errors errors, assembles $assembles, ratio $ratio"
        failed=1
    fi
done <"$folder/grades/gradebook.csv"
rows=$(($(wc -l <"$folder/grades/gradebook.csv") - 1))
[[ $rows == 40 ]] || { echo "FAIL: $rows rows"; failed=1; }
echo "mic1 grade: 40 submissions in $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }') s" \
    "on $(nproc) CPUs; rows as expected: $([[ $failed == 0 ]] && echo yes || echo no)"
exit $failed
