#!/bin/sh
# The Windows release zip as a user gets it: made by CPack, unpacked, its
# files in place, and quill.exe run from there with the outcall.dll beside it,
# and quill-check.exe.
#   zip_test.sh BUILD-DIR      (QUILL_RUNNER runs quill.exe)
set -u
build=$(readlink -f "$1")
runner=${QUILL_RUNNER:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/checks.sh"

(cd "$build" && cpack -G ZIP -B "$work/out" >/dev/null) || { echo "cpack failed"; exit 1; }
zip=$(ls "$work"/out/quill-*-win64.zip)
python3 -m zipfile -e "$zip" "$work/unpacked"
top=$(ls -d "$work"/unpacked/quill-*-win64)
for f in quill.exe quill-check.exe quill-debug.exe outcall.dll outcall.def outcall.h language.md README.md \
         NEWS LICENSE examples/hello.vt examples/extension/myoutcall.c; do
    if [ -e "$top/$f" ]; then check "zip holds $f" yes yes; else check "zip holds $f" yes no; fi
done

cd "$top"
out=$($runner ./quill.exe -f examples/hello.vt | tr -d '\r' | head -1)
check "quill.exe from the zip runs an example" "Hello from quill!" "$out"
out=$(echo 'func -2;' | $runner ./quill.exe | tr -d '\r')
check "outcall.dll from the zip answers" "version 1.2.9_001" "$out"
out=$(echo 'below E;' | $runner ./quill-check.exe - >/dev/null; echo $?)
check "quill-check.exe from the zip finds a jump to nowhere" 2 "$out"
out=$($runner ./quill-debug.exe --version | tr -d '\r')
check "quill-debug.exe from the zip answers" "quill-debug $(sed -n 's/^quill \([0-9.]*\) .*/\1/p' NEWS | head -1)" "$out"

finish
