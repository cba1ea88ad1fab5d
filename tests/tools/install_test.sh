#!/bin/sh
# Installs into a fresh prefix and uses quill from there as a user would:
# the installed files, a #! script, and an extension library of one's own.
set -u
build=$(readlink -f "$1")
src=$(readlink -f "$2")
libdir=$3   # quill's private library folder under the prefix
version=$4  # the project's
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
. "$(dirname "$0")/checks.sh"

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }
for f in bin/quill bin/quill-check bin/quill-debug "$libdir/liboutcall.so.$version" "$libdir/liboutcall.so.1" \
         include/outcall.h share/man/man1/quill.1.gz share/man/man1/quill-check.1.gz \
         share/man/man1/quill-debug.1.gz \
         share/doc/quill/language.md share/doc/quill/copyright share/doc/quill/NEWS.gz \
         share/doc/quill/examples/hello.vt share/vim/vimfiles/syntax/vantor.vim \
         share/vim/vimfiles/ftdetect/vantor.vim share/vim/vimfiles/compiler/quill.vim \
         share/nvim/site/syntax/vantor.vim share/nvim/site/ftdetect/vantor.vim \
         share/nvim/site/compiler/quill.vim \
         share/nano/vantor.nanorc share/quill/textmate/vantor.tmLanguage.json \
         share/bash-completion/completions/quill share/bash-completion/completions/quill-check; do
    if [ -e "$prefix/$f" ]; then check "installed $f" yes yes; else check "installed $f" yes no; fi
done
check "liboutcall.so.1 is a link" "$(readlink "$prefix/$libdir/liboutcall.so.1")" "liboutcall.so.$version"

# the installed program finds its installed library by itself
out=$(cd "$work" && env -u LD_LIBRARY_PATH "$prefix/bin/quill" -f "$prefix/share/doc/quill/examples/hello.vt" | head -1)
check "installed quill runs an example" "Hello from quill!" "$out"
out=$(echo 'func -2;' | env -u LD_LIBRARY_PATH "$prefix/bin/quill")
check "installed library answers" "version 1.2.9_001" "$out"
out=$(echo 'below E;' | "$prefix/bin/quill-check" - >/dev/null; echo $?)
check "installed quill-check finds a jump to nowhere" 2 "$out"
check "installed quill-debug answers" "quill-debug $version" "$("$prefix/bin/quill-debug" --version)"
echo 'put 6 * 7;' > "$work/answer.vt"
check "installed quill-debug runs the script in the installed quill" '"output":"42" "exitCode":42 ' \
    "$(unset LD_LIBRARY_PATH; debug_run "$prefix/bin/quill-debug" "$work/answer.vt")"

# only C crosses between quill and its library: neither exports a C++ symbol,
# and the library only its C interface (with a shared C++ runtime, as the
# sanitizers have it, quill holds copies of the runtime's vtables, which are
# the runtime's symbols, not ours)
bin="$prefix/bin/quill" lib="$prefix/$libdir/liboutcall.so.1"
check "no C++ symbol exported" 0 \
    "$( (nm -D --defined-only "$bin" "$lib") | grep ' _Z' | grep -vc '@GLIBCXX_')"
check "the library exports its C interface only" "outcall outcall_quiet set_func " \
    "$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')"
# each carries its own C++ runtime: the loader relocating a shared one was
# most of an empty run (the sanitizers want it shared)
if ! grep -q '^QUILL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    check "no C++ symbol imported" 0 "$( (nm -D --undefined-only "$bin" "$lib") | grep -c ' U _Z')"
    check "no shared C++ runtime needed" "" \
        "$(readelf -d "$bin" "$lib" | grep -o 'lib\(stdc++\|gcc_s\)[^]]*')"
fi

# an installed example runs as a command through its #! line
out=$(cd "$work" && PATH="$prefix/bin:$PATH" "$prefix/share/doc/quill/examples/hello.vt" | head -1)
check "an example runs through its #! line" "Hello from quill!" "$out"

# the public header serves C++ as well as C
printf '#include <outcall.h>\nint main() { ASSIGN_STR_PTR p = nullptr; return p != nullptr; }\n' > "$work/h.cpp"
if c++ -std=c++17 -Wall -Werror -I"$prefix/include" -c "$work/h.cpp" -o "$work/h.o"; then
    check "outcall.h from C++" ok ok
else
    check "outcall.h from C++" ok failed
fi

# an extension library of one's own, built against the installed header, replaces the stock one
if cmake -S "$src/examples/extension" -B "$work/ext" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
   cmake --build "$work/ext" >/dev/null; then
    out=$(cd "$src/examples/extension" && LD_LIBRARY_PATH="$work/ext" "$prefix/bin/quill" -f demo.vt | tr '\n' ' ')
    check "own extension library loaded in place of the stock one" "SHOUT 321 " "$out"
    out=$(echo 'func -2;' | LD_LIBRARY_PATH="$work/ext" "$prefix/bin/quill")
    check "own library's version" "myoutcall 1.0" "$out"
else
    check "extension example builds" ok failed
fi

finish
