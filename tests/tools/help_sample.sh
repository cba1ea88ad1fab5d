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
passed=0 failed=0
out=$(LD_LIBRARY_PATH="$work" "$quill" -f s.vt)
if [ "$out" = "$(printf 'version 1.2.9\nInvalid Function No!')" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    printf 'FAIL the sample library answered:\n%s\n' "$out"
fi

# The syntax sample, saved to a file and given 5, 0 and -1, prints what the help promises.
sed -n '/^##### Syntax Sample #####$/,$p' help.txt > sample.vt
out=$(printf '5\n0\n-1\n' | "$quill" -f sample.vt | od -c)
if [ "$out" = "$(printf 'x[0]>0\nx[0]<=0\nx[0]<=0\nexit\n' | od -c)" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    printf 'FAIL the syntax sample printed:\n%s\n' "$out"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
