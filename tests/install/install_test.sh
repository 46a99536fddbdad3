#!/bin/bash
# Installs a built tree into a temporary DESTDIR and packages it with CPack, then checks
# what a user would get: the program, the icon theme PNGs, a valid desktop entry, the
# manual page, and a Debian package holding exactly those files and depending on the
# fonts the windows draw with.
#
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail

build=$1 source=$2 version=$3
work="$(mktemp -d "${TMPDIR:-/tmp}/tv-install-XXXXXX")"
trap 'rm -rf "$work"' EXIT

failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }

expected="/usr/bin/tolvane
/usr/lib/tolvane/tolvane-atk.so
/usr/share/applications/tolvane.desktop
/usr/share/icons/hicolor/16x16/apps/tolvane.png
/usr/share/icons/hicolor/32x32/apps/tolvane.png
/usr/share/icons/hicolor/48x48/apps/tolvane.png
/usr/share/man/man1/tolvane.1.gz"

# Width, height, bit depth and colour type from a PNG's header, or nothing when the file
# does not start as a PNG does.
png_header() {
    local magic
    magic="$(od -An -tx1 -N16 "$1" | tr -d ' \n')"
    [[ "$magic" == 89504e470d0a1a0a0000000d49484452 ]] || return 0
    od -An -tu1 -j16 -N10 "$1" |
        awk '{ printf "%d %d %d %d\n", $1*16777216+$2*65536+$3*256+$4, \
                                       $5*16777216+$6*65536+$7*256+$8, $9, $10 }'
}

# --- cmake --install into a DESTDIR -----------------------------------------------------
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log" >&2; exit 1; }

while read -r file; do
    [[ -f "$root$file" ]] || fail "not installed: $file"
done <<<"$expected"

[[ -x "$root/usr/bin/tolvane" && "$(od -An -c -N4 "$root/usr/bin/tolvane" | tr -d ' ')" == 177ELF ]] ||
    fail "bin/tolvane is not an executable program"

for size in 16 32 48; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tolvane.png"
    [[ -f "$png" ]] || continue
    # Colour type 6: 8-bit RGBA, so the icon's mask survives as transparency.
    [[ "$(png_header "$png")" == "$size $size 8 6" ]] ||
        fail "${size}px icon: want '$size $size 8 6' (RGBA), got '$(png_header "$png")'"
done

desktop="$root/usr/share/applications/tolvane.desktop"
if [[ -f "$desktop" ]]; then
    desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 ||
        fail "desktop entry: $(cat "$work/validate.log")"
    # The entry must name what this very tree installs.
    exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
    icon_name="$(sed -n 's/^Icon=//p' "$desktop")"
    [[ -x "$root/usr/bin/$exec_name" ]] || fail "desktop entry runs '$exec_name', not installed"
    [[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon_name.png" ]] ||
        fail "desktop entry shows icon '$icon_name', not installed"
    grep -qx 'Name\[zh_CN\]=托尔万' "$desktop" || fail "desktop entry lacks its Chinese name"
fi

man="$root/usr/share/man/man1/tolvane.1.gz"
if [[ -f "$man" ]]; then
    gzip -t "$man" || fail "manual page is not a valid gzip file"
    zcat "$man" | grep -q "^\.TH TOLVANE 1 .*\"Tolvane $version\"" ||
        fail "manual page does not name version $version"
    for variable in TOLVANE_REGISTRY_DIR XDG_CONFIG_HOME HOME TOLVANE_TRACE_STARTUP; do
        zcat "$man" | grep -q "^\.B $variable\$" || fail "manual page does not describe $variable"
    done
    if command -v groff >/dev/null; then
        warnings="$(zcat "$man" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)"
        [[ -z "$warnings" ]] || fail "manual page: $warnings"
    fi
fi

# --- the Debian package -----------------------------------------------------------------
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/pkg/*.deb)
[[ ${#debs[@]} == 1 && -f "${debs[0]}" ]] || { fail "cpack made no single .deb: ${debs[*]}"; exit 1; }
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
[[ "${deb##*/}" == "tolvane_${version}_${arch}.deb" ]] || fail "package file named ${deb##*/}"

dpkg -c "$deb" >"$work/contents"
listed="$(awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' "$work/contents" | sort)"
[[ "$listed" == "$expected" ]] ||
    fail "package files differ from the install set:$(diff <(echo "$expected") <(echo "$listed") | sed 's/^/ /')"
awk '$2 != "root/root" { bad = 1 } END { exit bad }' "$work/contents" ||
    fail "package files not owned by root"

dpkg-deb -x "$deb" "$work/unpacked"
for dir in "$(realpath -m "$build")" "$(realpath -m "$source")"; do
    if grep -rqaF "$dir" "$work/unpacked"; then
        fail "package carries the path $dir: $(grep -rlaF "$dir" "$work/unpacked")"
    fi
done

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == tolvane ]] || fail "Package: $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "Version: $(field Version)"
[[ "$(field Section)" == utils ]] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" == "Tolvane developers <dev@tolvane.example>" ]] ||
    fail "Maintainer: $(field Maintainer)"
[[ "$(field Description | wc -l)" -ge 3 ]] || fail "no long description"
# dpkg -I shows the control fields as the package manager will read them.
control="$(dpkg -I "$deb")"
depends="$(sed -n 's/^ Depends: //p' <<<"$control")"
for package in fonts-arphic-uming xfonts-100dpi libc6 libx11-6 libxcursor1 libxrandr2 libfreetype6 \
    libfontconfig1 libjpeg62-turbo libpng16-16; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done
recommends="$(sed -n 's/^ Recommends: //p' <<<"$control")"
for package in xfonts-wqy fonts-liberation2; do
    [[ ", $recommends," == *", $package"[\ ,]* ]] || fail "Recommends lacks $package: $recommends"
done

if ((failures)); then
    printf '%d check(s) failed\n' "$failures" >&2
    exit 1
fi
echo "installed and packaged: $(basename "$deb")"
