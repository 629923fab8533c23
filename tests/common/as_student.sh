#!/bin/sh
# Runs a test program as a normal user: root ignores folder permissions, so a test of what
# a student meets in a read-only folder runs as "nobody" when CTest runs as root.
# Exit 77 (skipped) when that user cannot reach the program.
if [ "$(id -u)" != 0 ]; then
    exec "$@"
fi
runtime=$(mktemp -d)
chown 65534:65534 "$runtime"
as_nobody() {
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env HOME="$runtime" XDG_RUNTIME_DIR="$runtime" TMPDIR=/tmp "$@"
}
if ! as_nobody test -x "$1"; then
    echo "skipped: $1 cannot be run by user nobody"
    rm -rf "$runtime"
    exit 77
fi
as_nobody "$@"
status=$?
rm -rf "$runtime"
exit $status
