#!/bin/sh
# Builds BUILD/quill_VERSION_ARCH.deb from a finished build tree: a stripped
# install into a staging root, the control data, then dpkg-deb.
# Usage: deb.sh BUILD   (or: cmake --build BUILD --target deb)
set -eu
umask 022
build=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$build/deb
root=$work/debian/quill   # the layout dpkg-shlibdeps expects of a package being built
rm -rf "$work" "$build"/quill_*.deb
mkdir -p "$root/DEBIAN"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
mkdir -p "$root/usr/share/lintian/overrides"
cp "$here/lintian-overrides" "$root/usr/share/lintian/overrides/quill"
chmod -R u=rwX,go=rX "$root"   # whatever the umask of the checkout

# as Debian's own tools strip; the build tree keeps its symbols for debugging
for f in "$root"/usr/lib/*/quill/liboutcall.so.* "$root"/usr/lib/quill/liboutcall.so.*; do
    [ -f "$f" ] && [ ! -L "$f" ] &&
        strip --remove-section=.comment --remove-section=.note --strip-unneeded "$f"
done
strip --remove-section=.comment --remove-section=.note "$root/usr/bin/quill" \
    "$root/usr/bin/quill-check" "$root/usr/bin/quill-debug"

version=$(sed -n '1s/^quill (\([^)]*\)).*/\1/p' "$here/changelog")
arch=$(dpkg --print-architecture)
printf 'Source: quill\n\nPackage: quill\nArchitecture: any\n' > "$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O debian/quill/usr/bin/quill debian/quill/usr/bin/quill-check \
                          debian/quill/usr/bin/quill-debug |
          sed -n 's/^shlibs:Depends=//p')
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
{
    echo "Package: quill"
    echo "Version: $version"
    echo "Architecture: $arch"
    echo "Installed-Size: $size"
    echo "Depends: $depends"
    cat "$here/control"
} > "$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

dpkg-deb --root-owner-group -Zxz --build "$root" "$build/quill_${version}_${arch}.deb" >/dev/null
echo "$build/quill_${version}_${arch}.deb"
