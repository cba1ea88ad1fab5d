#!/bin/sh
# Builds the Debian package, installs it, runs a script with it, removes it.
# Needs root: run by CI, not by ctest.
set -eu
build=$(readlink -f "$1")
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quill_*.deb | head -1)
dpkg -i "$deb" >/dev/null
set +e
out=$(echo 'put 6 * 7;' | /usr/bin/quill; echo " $?")
set -e
man -w quill >/dev/null
dpkg -r quill >/dev/null
if [ "$out" = "42 42" ] && [ ! -e /usr/bin/quill ]; then
    echo "deb: installed, ran, removed"
else
    echo "deb: FAIL (got '$out')"
    exit 1
fi
