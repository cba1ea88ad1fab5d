#!/bin/sh
# The extension source that -H prints is real C: build it as the library
# and let quill load it in place of the stock one.
set -eu
quill=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$quill" -H 2>help.txt || true
# stop at the module-definition block: everything before its comment opener
awk '/outcall.def/{exit} {print}' help.txt | sed '$d' > outcall.c
cc -std=c99 -Wall -Werror -include stdio.h -include stdint.h -shared -fPIC -o liboutcall.so.1 outcall.c
printf 'func -2; func 5;\n' > s.vt
out=$(LD_LIBRARY_PATH="$work" "$quill" -f s.vt)
want=$(printf 'version 1.2.9\nInvalid Function No!')
if [ "$out" = "$want" ]; then
    echo "1 passed, 0 failed"
else
    printf 'FAIL the sample library answered:\n%s\n0 passed, 1 failed\n' "$out"
    exit 1
fi
