#!/usr/bin/env bash
# Sets up a fresh Debian machine for TARVENO, builds it and runs it or its tests.
#   ./build.sh run             install what is missing, build, open the workbench window
#   ./build.sh test            install what is missing, build, run every test
#   ./build.sh sanitize        build the library tests with ASan and UBSan and run them
#   ./build.sh package         build the Debian package (build/tarveno_*.deb)
#   ./build.sh web             build the web workbench's static site into build/web/site
#   ./build.sh web-serve       build it and serve it on http://127.0.0.1:8080/
set -euo pipefail
cd "$(dirname "$0")"

# The window needs Qt 6 Widgets and Qt's translation tools (for its English texts), and
# Liberation Serif stands in for its serif font. The tests check the man pages, the desktop
# entry, the file types and the metainfo with the four after ccache, and mic1's JUnit
# reports with python3-junitparser.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    libtomlplusplus-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-liberation ccache groff-base
    shared-mime-info desktop-file-utils appstream python3-junitparser)

# The web workbench: emcc (Debian's needs node-acorn for its JavaScript optimiser), and the
# Chromium its browser tests drive; node and npm when the machine has none of its own.
web_packages=(emscripten node-acorn chromium)
command -v node >/dev/null || web_packages+=(nodejs)
command -v npm >/dev/null || web_packages+=(npm)

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

install_web_packages() {
    local packages=("${web_packages[@]}")
    install_missing
}

# The module and the site (build/web/wasm, then build/web/site), and the browser tests'
# playwright-core from the lock file (build/web/npm).
build_web() {
    install_web_packages
    # Debian's emscripten finds acorn among Debian's node modules, also for a node of
    # another origin.
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # node runs the engine's tests; its own fetch would stand in the way of the module's
    # loading of its .wasm file.
    emcmake cmake -S . -B build/web/wasm -G Ninja "${launcher[@]}" -DTARVENO_SITE_DIR="$PWD/build/web/site" \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" >/dev/null
    cmake --build build/web/wasm
    mkdir -p build/web/npm
    cp web/package.json web/package-lock.json build/web/npm/
    (cd build/web/npm && npm ci --no-audit --no-fund --loglevel=error)
}

serve_web() {
    echo "The web workbench: http://127.0.0.1:8080/ (Ctrl+C stops)"
    exec python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web/site
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
    build_web
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
web)
    build_web
    ;;
web-serve)
    build_web
    serve_web
    ;;
*)
    echo "usage: $0 run | test | sanitize | package | web | web-serve" >&2
    exit 2
    ;;
esac
