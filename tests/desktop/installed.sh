#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a package would lay it out, and checks the
# files that fit the programs into the shell and the desktop with the tools desktops use.
# Usage: installed.sh BUILD_DIR WITH_WINDOW(ON|OFF). Exit 77 (skipped) without the tools.
build=$1 window=$2
tools=(groff update-mime-database)
[[ $window == ON ]] && tools+=(desktop-file-validate appstreamcli)
missing=()
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
    echo "SKIPPED: not installed: ${missing[*]} (build.sh installs them)"
    exit 77
fi

prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1
share=$prefix/share
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

pages=(mic1 quorc)
[[ $window == ON ]] && pages+=(tarveno)
for page in "${pages[@]}"; do
    file=$share/man/man1/$page.1
    [[ -f $file ]] || {
        fail "no man page $file"
        continue
    }
    ! grep -q '@[A-Z_]*@' "$file" || fail "$file has a placeholder left"
    warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$file" 2>&1)
    [[ -z $warnings ]] || fail "$file: $warnings"
done
[[ -f $share/bash-completion/completions/mic1 ]] || fail "no completion for mic1"
[[ $window == ON && ! -s $share/tarveno/translations/tarveno_en.qm ]] && fail "no English translation of the window"

if [[ $window == ON ]]; then
    desktop-file-validate "$share/applications/tarveno.desktop" || fail "tarveno.desktop"
    appstreamcli validate --no-net "$share/metainfo/io.tarveno.tarveno.metainfo.xml" ||
        fail "io.tarveno.tarveno.metainfo.xml"
    # validate-tree also finds the desktop entry the metainfo launches.
    out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) || fail "the metainfo's launchable: $out"
    # The types the desktop entry opens are the ones the MIME database learns, by extension.
    out=$(update-mime-database "$share/mime" 2>&1) || fail "tarveno.xml: $out"
    declared=$(grep '^MimeType=' "$share/applications/tarveno.desktop")
    for type_glob in text/x-mic1-mal:*.mal text/x-ijvm:*.jvm; do
        grep -qxF "$type_glob" "$share/mime/globs" || fail "$type_glob is not in the MIME database"
        [[ $declared == *"${type_glob%%:*};"* ]] || fail "tarveno.desktop does not open ${type_glob%%:*}"
    done
fi
exit $failed
