# SPDX-License-Identifier: GPL-3.0-or-later
# Shared set-up for ./run and ./test: installs missing Debian packages and
# configures and builds the project. Sourced, not executed.

# Packages every build needs. Qt Charts draws the probe history; Debian 12's
# qt6-charts-dev lacks the dependency on the OpenGL module's CMake files,
# which its own CMake files ask for.
ZQ_BUILD_PACKAGES="g++ cmake make qt6-base-dev qt6-charts-dev libqt6opengl6-dev"

# What ./test needs on top: clang with its runtime libraries for the fuzz
# targets (libFuzzer and clang's sanitizers), the fonts of common Linux
# desktops, which the window is tested with, and for the Debian package
# dpkg-dev (cpack's dependency list), file (which cpack uses to find the
# binaries), lintian and appstream (appstreamcli, which validates the
# package's AppStream file). The sanitizer build uses g++, whose sanitizer
# runtimes come with it. The test of what screen readers hear runs the
# program on an X server of its own (xvfb) under a private session bus
# (dbus-daemon's dbus-run-session), which starts the accessibility bus
# (at-spi2-core), and reads it with python3-pyatspi.
ZQ_CHECK_PACKAGES="clang libclang-rt-14-dev fonts-dejavu-core fonts-noto-core fonts-cantarell dpkg-dev file lintian appstream xvfb dbus-daemon at-spi2-core python3-pyatspi"

# Installs the given Debian packages that are not installed yet.
zq_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures the given build folder; further arguments go to cmake, after the
# default build type, so they may override it.
zq_configure() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

# Builds in a configured folder with every core; further arguments go to
# cmake --build (such as --target).
zq_compile() {
    local dir="$1"
    shift
    cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" "$@"
}

# Configures and builds everything into the given folder, with the same
# arguments as zq_configure.
zq_build() {
    zq_configure "$@"
    zq_compile "$1"
}
