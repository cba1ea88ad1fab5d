#!/bin/sh
# Installs what is missing (Debian, and the debugger test's client from npm), builds
# quill, its library and quill-check, and runs a sample.
set -eu
cd "$(dirname "$0")"

need=""
for pkg in cmake g++ make flex bison nlohmann-json3-dev libxbyak-dev libgtest-dev python3 dpkg-dev \
           groff-base man-db xvfb xclip xsel vim neovim nano tmux libonig5; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need="$need $pkg"
done
# node and npm run the debugger's session test: any already on the PATH will do
command -v node >/dev/null 2>&1 || need="$need nodejs"
command -v npm >/dev/null 2>&1 || need="$need npm"
# Emacs, its language client and its debugger client for the editor tests: what
# they recommend (a mail system, a database library) is no use to them
lean=""
for pkg in emacs-nox elpa-eglot elpa-dap-mode; do
    dpkg -s "$pkg" >/dev/null 2>&1 || lean="$lean $pkg"
done
if [ -n "$need$lean" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    [ -z "$need" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $need
    [ -z "$lean" ] ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $lean
fi

# the debugger's session test client, as the lockfile pins it; npm copies the lockfile
# into node_modules once an install completes, so one cut short is done again
installed=tests/dap/node_modules/.package-lock.json
if [ ! -f "$installed" ] || [ tests/dap/package-lock.json -nt "$installed" ]; then
    npm ci --prefix tests/dap --no-audit --no-fund --loglevel=error >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
echo "--- examples/hello.vt"
build/bin/quill -f examples/hello.vt
