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
if [ -n "$need" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $need
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
echo "--- examples/hello.vt"
build/bin/quill -f examples/hello.vt
