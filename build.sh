#!/usr/bin/env bash
# Sets up a fresh Debian machine for TARVENO, builds it and runs it or its tests.
#   ./build.sh run             install what the window needs, build it, open the workbench window
#   ./build.sh test            install everything, build it all, run every test
#   ./build.sh sanitize        build the library tests with ASan and UBSan and run them
#   ./build.sh package         build the Debian package (build/tarveno_*.deb)
# Each prints one line per phase; the installer's and the compiler's lines go to
# build/build.log, shown when a phase fails, or as they come with --verbose.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
    cat <<'EOF'
usage: ./build.sh COMMAND [--verbose]
  run        install what the window needs, build the window and quorc, open the workbench
  test       install everything the tests use, build everything, run every test
  sanitize   build the library tests with AddressSanitizer and UBSan and run them
  package    build the Debian package build/tarveno_*.deb (only what it installs)
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
    install_missing "${build_packages[@]}" "${window_packages[@]}" "${test_packages[@]}"
    configure build -DBUILD_TESTING=ON -DTARVENO_BUILD_BENCH=ON -DTARVENO_BUILD_UI=ON
    phase "Building everything with the tests (about 7 minutes on 2 cores the first time)..." cmake --build build
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
"" | -h | --help | help)
    usage
    ;;
*)
    echo "build.sh: unknown command $cmd" >&2
    usage >&2
    exit 2
    ;;
esac
