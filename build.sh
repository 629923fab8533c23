#!/usr/bin/env bash
# Sets up a fresh Debian machine for TARVENO, builds it and runs it or its tests.
#   ./build.sh run             install what is missing, build, open the workbench window
#   ./build.sh test            install what is missing, build, run every test
#   ./build.sh sanitize        build the library tests with ASan and UBSan and run them
#   ./build.sh package         build the Debian package (build/tarveno_*.deb)
set -euo pipefail
cd "$(dirname "$0")"

# The window needs Qt 6 Widgets and Qt's translation tools (for its English texts), and
# Liberation Serif stands in for its serif font. The tests check the man pages, the desktop
# entry, the file types and the metainfo with the four after ccache, and mic1's JUnit
# reports with python3-junitparser.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    libtomlplusplus-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-liberation ccache groff-base
    shared-mime-info desktop-file-utils appstream python3-junitparser)

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
    exec build/ui/tarveno
    ;;
test)
    install_missing
    configure_and_build build
    ctest --test-dir build --output-on-failure -j2
    ;;
package)
    install_missing
    configure_and_build build
    (cd build && cpack -G DEB)
    ;;
sanitize)
    install_missing
    configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARVENO_SANITIZE=ON -DTARVENO_BUILD_BENCH=OFF -DTARVENO_BUILD_UI=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure -j2
    ;;
*)
    echo "usage: $0 run | test | sanitize | package" >&2
    exit 2
    ;;
esac
