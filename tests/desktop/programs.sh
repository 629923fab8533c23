#!/usr/bin/env bash
# The programs answer --version with their name and the project's version, and every option
# mic1's subcommands take is in its man page and its completion.
# Usage: programs.sh VERSION MIC1 QUORC MAN_PAGE COMPLETION [TARVENO]
version=$1 mic1=$2 quorc=$3 man=$4 completion=$5 tarveno=${6:-}
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

check_version() {
    local name=$1 out status
    out=$("$2" --version)
    status=$?
    [[ $status == 0 && $out == "$name $version" ]] ||
        fail "$name --version printed '$out' with exit status $status"
}
check_version mic1 "$mic1"
check_version quorc "$quorc"
[[ -n $tarveno ]] && QT_QPA_PLATFORM=offscreen check_version tarveno "$tarveno"

for command in "" asm run ijvm test grade; do
    options=$("$mic1" $command --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [[ -n $options ]] || fail "mic1 $command --help lists no option"
    for option in $options; do
        grep -qF -- "${option//-/\\-}" "$man" || fail "mic1 $command $option is not in the man page"
        grep -qw -- "$option" "$completion" || fail "mic1 $command $option is not completed"
    done
done
exit $failed
