# Shared by ./run, ./test and bench/run: the packages the project needs and the build
# step. Source it from the repository root after `set -euo pipefail`.

# Everything the build, the tests and the screenshots need, as Debian packages. This is
# the one list: add a package here and every entry point installs it.
TV_PACKAGES=(
    build-essential cmake pkg-config
    libx11-dev libxrandr-dev libxcursor-dev libxfixes-dev libfreetype-dev libfontconfig-dev libjpeg62-turbo-dev libpng-dev
    nlohmann-json3-dev libgtest-dev googletest
    libatk1.0-dev libatk-bridge2.0-dev libdbus-1-dev at-spi2-core python3-pyatspi dbus-x11
    xvfb xdotool x11-utils openbox xclip
    fcitx5 fcitx5-chinese-addons dbus-daemon
    fonts-arphic-uming xfonts-wqy xfonts-100dpi fonts-liberation2 fonts-dejavu-core
    desktop-file-utils dpkg-dev
)

TV_BUILD_DIR="${BUILD_DIR:-build}"

tv_say() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }

# True when the build folder $1 has a target named $2. The list is read whole before it
# is searched: a grep -q at the end of a pipe stops reading at the first match, which
# breaks the pipe under the build tool and, with pipefail, makes the check fail.
tv_has_target() {
    local targets
    targets="$(cmake --build "$1" --target help)" || return 1
    grep -qw -- "$2" <<<"$targets"
}

# Installs only what is missing, so a ready machine never touches the network.
tv_install_packages() {
    local missing=() pkg status
    for pkg in "${TV_PACKAGES[@]}"; do
        status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
        [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0

    tv_say "installing missing packages: ${missing[*]}"
    local sudo=()
    if ((EUID != 0)); then
        command -v sudo >/dev/null || { tv_say "not root and no sudo: install ${missing[*]} by hand"; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

# Configures and builds TV_BUILD_DIR; extra arguments are passed to the build (e.g.
# `--target tolvane`).
tv_build() {
    cmake -S . -B "$TV_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$TV_BUILD_DIR" -j"$(nproc)" "$@"
}
