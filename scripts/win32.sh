#!/usr/bin/env bash
# Builds the 32-bit Windows program and its tests in build-win32/ with the MinGW-w64 cross
# compilers and runs them under Wine: the platform-independent tests, the Windows parts
# against Wine's real registry, windows and GDI, and tolvane.exe driven with xdotool.
#
# Each run has a fresh Wine prefix in a temporary folder, a private Xvfb display with a
# window manager, LC_ALL=zh_CN.UTF-8 (so the ANSI code page is 936) and one persistent
# wineserver, started before the tests and stopped after: Wine's background services
# would otherwise hold ctest's output open after each test.
#
# Installs what is missing first. 32-bit Wine needs the i386 architecture, which this
# script adds to dpkg when it is not there yet.
#
#   scripts/win32.sh [ctest arguments...]      e.g. scripts/win32.sh -R e2e
#
# WIN32_BUILD_DIR overrides the build folder (default build-win32; BUILD_DIR is the Linux
# build's).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

say() { printf 'win32.sh: %s\n' "$*" >&2; }

BUILD="${WIN32_BUILD_DIR:-build-win32}"
PACKAGES=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 locales
          cmake xvfb xdotool x11-utils openbox googletest nlohmann-json3-dev
          fonts-arphic-uming)

install_missing() {
    local missing=() pkg status
    for pkg in "${PACKAGES[@]}"; do
        status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
        [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0
    say "installing missing packages: ${missing[*]}"
    local sudo=()
    if ((EUID != 0)); then
        command -v sudo >/dev/null || { say "not root and no sudo: install ${missing[*]} by hand"; return 1; }
        sudo=(sudo)
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

# Wine takes the ANSI code page from the locale, which must exist on the system.
ensure_locale() {
    if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
        say "generating the zh_CN.UTF-8 locale"
        local sudo=()
        ((EUID == 0)) || sudo=(sudo)
        "${sudo[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    fi
}

install_missing
ensure_locale

cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j2

# A private world for Wine: prefix, display and server.
WORK="$(mktemp -d /tmp/tolvane-win32.XXXXXX)"
export WINEPREFIX="$WORK/prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
export LC_ALL=zh_CN.UTF-8
unset LANGUAGE
xvfb_pid=""
wm_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The first display number whose socket is free.
display=90
while [[ -e "/tmp/.X11-unix/X$display" || -e "/tmp/.X$display-lock" ]]; do ((display++)); done
# The screen holds the main window at twice its size (1202 x 878).
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$WORK/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { say "Xvfb did not start"; cat "$WORK/xvfb.log" >&2; exit 1; }
# Without a window manager Wine waits two seconds for each window it hides.
openbox </dev/null >"$WORK/openbox.log" 2>&1 &
wm_pid=$!

# The server outlives every test program, and nothing of it holds our output open.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >"$WORK/wineboot.log" 2>&1 || { say "wineboot failed"; cat "$WORK/wineboot.log" >&2; exit 1; }

ctest --test-dir "$BUILD" --output-on-failure --timeout 300 "$@"
