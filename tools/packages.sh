# Debian packages the game needs, in one place. Sourced by run.sh and test.sh.

# To configure and compile.
BUILD_PACKAGES="g++ cmake make pkg-config libwxgtk3.2-dev libgtk-3-dev libgl-dev \
libsdl2-dev libfluidsynth-dev libxrandr-dev libx11-dev"

# To run the game.
RUN_PACKAGES="timgm6mb-soundfont fonts-dejavu-core"

# To build and run the tests and benchmarks, headless.
TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev libnoise-dev python3 \
xvfb xauth xdotool x11-xserver-utils imagemagick mesa-utils openbox metacity xfwm4 dbus-daemon \
xserver-xorg-core xserver-xorg-video-dummy locales"

# install_missing PKG...: apt-get installs those not yet installed, and nothing else.
install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q || return 1
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
