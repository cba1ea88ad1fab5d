#!/bin/sh
# Installs what is missing (Debian), builds quill, its library and quill-check,
# and runs a sample.
set -eu
cd "$(dirname "$0")"

need=""
for pkg in cmake g++ make flex bison nlohmann-json3-dev libgtest-dev python3 dpkg-dev \
           groff-base man-db xvfb xclip xsel vim neovim nano tmux libonig5; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need="$need $pkg"
done
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

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
echo "--- examples/hello.vt"
build/bin/quill -f examples/hello.vt
