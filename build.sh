#!/usr/bin/env bash
# Sets up a fresh Debian machine for TARVENO, builds it and runs it or its tests.
#   ./build.sh run [ARGS...]   install what is missing, build, run the main program
#   ./build.sh test            install what is missing, build, run every test
#   ./build.sh sanitize        build the library tests with ASan and UBSan and run them
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local dir=$1
    shift
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir"
}

cmd=${1:-run}
[ $# -gt 0 ] && shift
case "$cmd" in
run)
    install_missing
    configure_and_build build
    if [ $# -eq 0 ]; then
        # Until the window exists, the demo assembles and runs an example microprogram.
        set -- run examples/count.mal
    fi
    exec build/cli/mic1 "$@"
    ;;
test)
    install_missing
    configure_and_build build
    ctest --test-dir build --output-on-failure -j2
    ;;
sanitize)
    install_missing
    configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARVENO_SANITIZE=ON -DTARVENO_BUILD_BENCH=OFF -DTARVENO_BUILD_UI=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure -j2
    ;;
*)
    echo "usage: $0 run [mic1 arguments...] | test | sanitize" >&2
    exit 2
    ;;
esac
