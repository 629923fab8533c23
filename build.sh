#!/usr/bin/env bash
# Sets up a fresh Debian machine for TARVENO, builds it and runs it or its tests.
#   ./build.sh run             install what the window needs, build it, open the workbench window
#   ./build.sh test            install everything, build it all, run every test
#   ./build.sh sanitize        build the library tests with ASan and UBSan and run them
#   ./build.sh package         build the Debian package (build/tarveno_*.deb)
#   ./build.sh web             build the web workbench's static site into build/web/site
#   ./build.sh web-serve       build it and serve it on http://127.0.0.1:8080/
# Each prints one line per phase; the installer's and the compiler's lines go to
# build/build.log, shown when a phase fails, or as they come with --verbose.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
    cat <<'EOF'
usage: ./build.sh COMMAND [--verbose]
  run        install what the window needs, build the window and quorc, open the workbench
  test       install everything the tests use, build everything and the web site, run every test
  sanitize   build the library tests with AddressSanitizer and UBSan and run them
  package    build the Debian package build/tarveno_*.deb (only what it installs)
  web        build the web workbench's static site into build/web/site
  web-serve  build the site and serve it on http://127.0.0.1:8080/
  --verbose  show the installer's and the compiler's lines as they come
EOF
}

# What each command needs. The window needs Qt 6 Widgets and Qt's translation tools (for
# its English texts), Liberation Serif for its serif font, and the header libraries mic1's
# code is configured with.
build_packages=(cmake ninja-build g++ ccache libcli11-dev nlohmann-json3-dev libtomlplusplus-dev)
window_packages=(qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-liberation)
# The tests: GoogleTest and Google Benchmark, the man pages, desktop entry, file types and
# metainfo checked with the tools desktops use, and mic1's JUnit reports read by junitparser.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev groff-base shared-mime-info desktop-file-utils appstream
    python3-junitparser)
package_packages=(dpkg-dev file)
# The web site: CMake and Ninja, emcc (Debian's needs node-acorn for its JavaScript
# optimiser) and node, when the machine has none of its own. Its tests: the Chromium they
# drive, and npm for the playwright-core that drives it.
web_packages=(cmake ninja-build ccache emscripten node-acorn)
command -v node >/dev/null || web_packages+=(nodejs)
web_test_packages=(libgtest-dev chromium)
command -v npm >/dev/null || web_test_packages+=(npm)

verbose=0
log=build/build.log

# Each command starts its log afresh.
new_log() {
    mkdir -p build
    : >"$log"
}

# Runs a phase: its line, then the command, its output into the log (or on the terminal
# with --verbose). A phase that fails shows the log's last lines and where the rest is.
phase() {
    local title=$1
    shift
    echo "$title"
    if ((verbose)); then
        "$@" 2>&1 | tee -a "$log"
        return "${PIPESTATUS[0]}"
    fi
    if ! "$@" >>"$log" 2>&1; then
        echo "Failed. The last lines of $log:" >&2
        tail -n 30 "$log" >&2
        echo "The whole log is $log; ./build.sh ${cmd} --verbose shows it as it comes." >&2
        exit 1
    fi
}

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    # sudo may ask for a password: that question goes to the terminal, not to the log.
    [ ${#sudo[@]} -gt 0 ] && sudo -v
    phase "Installing ${#missing[@]} packages (${missing[*]})..." install_packages "${sudo[@]}" "${missing[@]}"
}

install_packages() {
    local sudo=()
    [ "$1" = sudo ] && sudo=(sudo) && shift
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$@"
}

# configure DIR CMAKE_OPTIONS...
configure() {
    local dir=$1
    shift
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    phase "Configuring in $dir/..." cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@"
}

# build_web [tests]: the module and the site (build/web/wasm, then build/web/site); with
# "tests", also the engine's tests for node and the browser tests' playwright-core from the
# lock file (build/web/npm). The packages are installed before.
build_web() {
    # Without tests, the site only; a build that has the tests keeps them, so that they
    # are never left behind older than the site.
    local testing=()
    if [ "${1:-}" = tests ]; then
        testing=(-DBUILD_TESTING=ON)
    elif [ ! -f build/web/wasm/CMakeCache.txt ]; then
        testing=(-DBUILD_TESTING=OFF)
    fi
    # Debian's emscripten finds acorn among Debian's node modules, also for a node of
    # another origin.
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    # node runs the engine's tests; its own fetch would stand in the way of the module's
    # loading of its .wasm file.
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    phase "Configuring in build/web/wasm/..." emcmake cmake -S . -B build/web/wasm -G Ninja "${launcher[@]}" \
        "${testing[@]}" -DTARVENO_SITE_DIR="$PWD/build/web/site" \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch"
    if [ "${1:-}" != tests ]; then
        phase "Building the web site with emcc (about 2 minutes on 2 cores the first time)..." \
            cmake --build build/web/wasm --target tarveno_site
        return
    fi
    phase "Building the web site and the engine's tests with emcc (about 3 minutes on 2 cores the first time)..." \
        cmake --build build/web/wasm
    mkdir -p build/web/npm
    cp web/package.json web/package-lock.json build/web/npm/
    phase "Installing the browser tests' playwright-core from web/package-lock.json..." \
        bash -c 'cd build/web/npm && npm ci --no-audit --no-fund --loglevel=error'
}

cmd=${1:-}
[ $# -gt 0 ] && shift
for arg in "$@"; do
    case "$arg" in
    --verbose) verbose=1 ;;
    *)
        echo "build.sh: unknown option $arg" >&2
        usage >&2
        exit 2
        ;;
    esac
done
case "$cmd" in
run)
    new_log
    install_missing "${build_packages[@]}" "${window_packages[@]}"
    # Only the window and the checker it runs: no tests, no benchmarks.
    configure build -DBUILD_TESTING=OFF -DTARVENO_BUILD_BENCH=OFF -DTARVENO_BUILD_UI=ON
    phase "Building the window (about 3 minutes on 2 cores the first time, seconds after)..." \
        cmake --build build --target tarveno quorc
    echo "Starting TARVENO"
    exec build/ui/tarveno
    ;;
test)
    new_log
    install_missing "${build_packages[@]}" "${window_packages[@]}" "${test_packages[@]}" "${web_packages[@]}" \
        "${web_test_packages[@]}"
    configure build -DBUILD_TESTING=ON -DTARVENO_BUILD_BENCH=ON -DTARVENO_BUILD_UI=ON
    phase "Building everything with the tests (about 7 minutes on 2 cores the first time)..." cmake --build build
    # The web site too, so that its browser tests and the engine's tests under node run.
    build_web tests
    echo "Running the tests"
    ctest --test-dir build --output-on-failure -j2
    ;;
package)
    new_log
    install_missing "${build_packages[@]}" "${window_packages[@]}" "${package_packages[@]}"
    # The package holds the programs, the translations, the man pages and the examples.
    configure build -DBUILD_TESTING=OFF -DTARVENO_BUILD_BENCH=OFF -DTARVENO_BUILD_UI=ON
    phase "Building what the package installs (about 4 minutes on 2 cores the first time)..." cmake --build build
    phase "Making the package..." bash -c 'cd build && cpack -G DEB'
    ls build/tarveno_*.deb
    ;;
sanitize)
    new_log
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARVENO_SANITIZE=ON -DTARVENO_BUILD_BENCH=OFF \
        -DTARVENO_BUILD_UI=OFF
    phase "Building the library tests with the sanitizers..." cmake --build build-sanitize
    echo "Running the tests under the sanitizers"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure -j2
    ;;
web)
    new_log
    install_missing "${web_packages[@]}"
    build_web
    echo "The site is in build/web/site: ./build.sh web-serve serves it"
    ;;
web-serve)
    new_log
    install_missing "${web_packages[@]}" python3
    build_web
    echo "The web workbench: http://127.0.0.1:8080/ (Ctrl+C stops)"
    exec python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web/site
    ;;
"" | -h | --help | help)
    usage
    ;;
*)
    echo "build.sh: unknown command $cmd" >&2
    usage >&2
    exit 2
    ;;
esac
