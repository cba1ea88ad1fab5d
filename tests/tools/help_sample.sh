#!/bin/sh
# The extension source that -H prints is real C: build it as the library
# and let quill load it in place of the stock one. A Windows build
# (QUILL_PLATFORM=win32, run by QUILL_RUNNER) builds it as -H says, with its
# module definition and build command, by the cross compiler CC.
#   help_sample.sh QUILL [CC]
set -eu
quill=$(readlink -f "$1")
cc=${2:-cc}
runner=${QUILL_RUNNER:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# text-mode output ends its lines in CR LF
$runner "$quill" -H 2>&1 >/dev/null | tr -d '\r' >help.txt || true
# stop at the module-definition block: everything before its comment opener
awk '/outcall.def/{exit} {print}' help.txt | sed '$d' > outcall.c
printf 'func -2; func 5;\n' > s.vt
if [ "${QUILL_PLATFORM:-}" = win32 ]; then
    # the listing from EXPORTS to its empty line is outcall.def; the line
    # after it is the build command, given our compiler for its gcc
    sed -n '/^EXPORTS$/,/^$/p' help.txt > outcall.def
    build=$(sed -n '/^EXPORTS$/,$p' help.txt | sed -n '/^gcc /{p;q}')
    "$cc" -std=c99 -Wall -Werror -include stdio.h -include stdint.h -c -o outcall.o outcall.c
    eval "\"\$cc\" ${build#gcc }"
    cp "$quill" quill.exe   # Windows loads the outcall.dll that lies beside the program
    out=$($runner ./quill.exe -f s.vt | tr -d '\r')
else
    "$cc" -std=c99 -Wall -Werror -include stdio.h -include stdint.h -shared -fPIC \
        -o liboutcall.so.1 outcall.c
    out=$(LD_LIBRARY_PATH="$work" "$quill" -f s.vt)
fi
passed=0 failed=0
if [ "$out" = "$(printf 'version 1.2.9\nInvalid Function No!')" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    printf 'FAIL the sample library answered:\n%s\n' "$out"
fi

# The syntax sample, saved to a file and given 5, 0 and -1, prints what the help promises.
sed -n '/^##### Syntax Sample #####$/,$p' help.txt > sample.vt
out=$(printf '5\n0\n-1\n' | $runner "$quill" -f sample.vt | tr -d '\r' | od -c)
if [ "$out" = "$(printf 'x[0]>0\nx[0]<=0\nx[0]<=0\nexit\n' | od -c)" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    printf 'FAIL the syntax sample printed:\n%s\n' "$out"
fi
# A library of one's own that writes to the descriptor itself and declares
# nothing: quill writes what it holds before every call, so the order stays.
mkdir own && cd own
cat > own.c <<'EOF'
#ifdef _WIN32
#include <io.h>
#define EXPORT __declspec(dllexport)
#define write _write
#else
#include <unistd.h>
#define EXPORT
#endif
typedef int (*callback)(void);
EXPORT void set_func(callback a, callback b, callback c, callback d) { (void)a, (void)b, (void)c, (void)d; }
EXPORT int outcall(int no, int *var) { (void)var; return (int)write(1, no == 3 ? "W" : "w", 1) - 1; }
EOF
printf 'put 1; x = func 3; put 2; x = func 10; put 3;\n' > own.vt
if [ "${QUILL_PLATFORM:-}" = win32 ]; then
    "$cc" -shared -o outcall.dll own.c
    cp "$quill" quill.exe
    out=$($runner ./quill.exe -f own.vt | tr -d '\r')
else
    "$cc" -shared -fPIC -o liboutcall.so.1 own.c
    out=$(LD_LIBRARY_PATH="$PWD" "$quill" -f own.vt || true)
fi
cd ..
if [ "$out" = "1W2w3" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    printf 'FAIL a library that writes for itself, in order:\n%s\n' "$out"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
