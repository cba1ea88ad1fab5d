#!/bin/sh
# Builds the Debian package, holds it to lintian, installs it with apt, uses
# it as a user would, and removes it again. Needs root: run by CI, not ctest.
set -u
build=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/checks.sh"

cmake --build "$build" --target deb >/dev/null || { echo "deb: the package did not build"; exit 1; }
deb=$(ls "$build"/quill_*.deb)

# errors and warnings fail; the deliberate ones are overridden inside the package
if lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1; then
    check "lintian" clean clean
else
    check "lintian" clean "$(grep -E '^[EW]:' "$work/lintian")"
fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt" 2>&1 ||
    { cat "$work/apt"; echo "deb: apt could not install $deb"; exit 1; }
dpkg -L quill > "$work/files"

out=$(echo 'put 6 * 7;' | quill; echo " $?")
check "installed quill runs a script" "42 42" "$out"
check "man finds the manual page" /usr/share/man/man1/quill.1.gz "$(man -w quill)"
out=$(echo 'below E;' | quill-check - >/dev/null; echo $?)
check "installed quill-check finds a jump to nowhere" 2 "$out"
check "man finds quill-check's page" /usr/share/man/man1/quill-check.1.gz "$(man -w quill-check)"
check "installed quill-debug answers" "quill-debug $(dpkg-query -W -f '${Version}' quill | cut -d- -f1)" \
    "$(quill-debug --version)"
echo 'put 6 * 7;' > "$work/answer.vt"
check "installed quill-debug runs the script in the installed quill" '"output":"42" "exitCode":42 ' \
    "$(debug_run quill-debug "$work/answer.vt")"
check "man finds quill-debug's page" /usr/share/man/man1/quill-debug.1.gz "$(man -w quill-debug)"
out=$(cd "$work" && /usr/share/doc/quill/examples/hello.vt | head -1)
check "an installed example runs through its #! line" "Hello from quill!" "$out"

# the editors and bash find their files without being told
out=$(cd "$work" && touch x.vt && vim -Es -N -u NONE -i NONE --cmd 'filetype on' x.vt \
      -c 'call writefile([&filetype], "ft")' -c 'qall!' </dev/null; cat ft)
check "vim knows *.vt as vantor" vantor "$out"
check "nano reads the installed syntax" yes \
      "$(grep -q '^include "/usr/share/nano/\*.nanorc"' /etc/nanorc &&
         [ -f /usr/share/nano/vantor.nanorc ] && echo yes)"
out=$(bash -c '. /usr/share/bash-completion/bash_completion; _completion_loader quill; complete -p quill')
check "bash loads the completion for quill" "complete -F _quill quill" "$out"
out=$(bash -c '. /usr/share/bash-completion/bash_completion; _completion_loader quill-check
               complete -p quill-check')
check "bash loads the completion for quill-check" "complete -F _quill_check quill-check" "$out"
out=$(cd "$work" && vim -Es -N -u NONE -i NONE -c 'compiler quill' \
      -c 'call writefile([&makeprg], "mp")' -c 'qall!' </dev/null; cat mp)
check "vim finds :compiler quill" 'quill-check $* %:S' "$out"
# Debian's Neovim reads its own folder, not Vim's: the same files there
out=$(cd "$work" && printf '#!/usr/bin/env -S quill -f\nput 1;\n' > greet &&
      nvim --headless --clean x.vt -c 'let r = [&filetype, exists("b:current_syntax")]' \
           -c 'edit greet' -c 'call add(r, &filetype)' -c 'compiler quill' \
           -c 'call add(r, &makeprg)' -c 'call writefile(r, "nv")' -c 'qall!' </dev/null
      tr '\n' ' ' < nv)
check "neovim: *.vt and a #! line naming quill are vantor, coloured; :compiler quill" \
    'vantor 1 vantor quill-check $* %:S ' "$out"

# a library of one's own, built against the installed header, comes first
# through LD_LIBRARY_PATH and replaces the private stock one
cp -r /usr/share/doc/quill/examples/extension "$work/src"
if cmake -S "$work/src" -B "$work/ext" >/dev/null && cmake --build "$work/ext" >/dev/null; then
    out=$(cd "$work/src" && LD_LIBRARY_PATH="$work/ext" quill -f demo.vt | tr '\n' ' ')
    check "own liboutcall.so.1 in LD_LIBRARY_PATH replaces the stock one" "SHOUT 321 " "$out"
else
    check "the extension example builds against the installed header" ok failed
fi

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quill >"$work/apt" 2>&1 || cat "$work/apt"
left=$(while read -r f; do [ -f "$f" ] || [ -L "$f" ] && echo "$f"; done < "$work/files")
check "apt removes every file" "" "$left"

finish
