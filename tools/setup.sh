# SPDX-License-Identifier: GPL-3.0-or-later
# Shared set-up for ./run and ./test: installs missing Debian packages and
# configures and builds the project. Sourced, not executed.

# Packages every build needs.
ZQ_BUILD_PACKAGES="g++ cmake make qt6-base-dev"

# What ./test needs on top: clang with its runtime libraries for the fuzz
# targets (libFuzzer and clang's sanitizers), the fonts of common Linux
# desktops, which the window is tested with, and for the Debian package
# dpkg-dev (cpack's dependency list), file (which cpack uses to find the
# binaries), lintian and appstream (appstreamcli, which validates the
# package's AppStream file). The sanitizer build uses g++, whose sanitizer
# runtimes come with it. The test of what screen readers hear runs the
# program on an X server of its own (xvfb) under a private session bus
# (dbus-daemon's dbus-run-session), which starts the accessibility bus
# (at-spi2-core), and reads it with python3-pyatspi. The Python module and
# its tests need pybind11, Python's headers and pytest.
ZQ_CHECK_PACKAGES="clang libclang-rt-14-dev fonts-dejavu-core fonts-noto-core fonts-cantarell dpkg-dev file lintian appstream xvfb dbus-daemon at-spi2-core python3-pyatspi pybind11-dev python3-dev python3-pytest"

# What tools/windows-build needs: MinGW-w64's compiler, the host's Qt tools
# (moc, rcc, uic) for the Qt for MinGW archive, Ninja, Wine to run the
# Windows test suite with the fonts the window is tested with, and NSIS's
# makensis for the installer.
ZQ_WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix qt6-base-dev-tools ninja-build wine64 fonts-dejavu-core fonts-noto-core fonts-cantarell nsis"

# The archive of Qt for MinGW that the Windows build is made against:
# $ZQ_QT_MINGW_ARCHIVE when set, else qt6-mingw-6.4.2.tar.xz in the folder
# shared/ beside the project's folder, else in /work/shared/. Prints its path,
# or fails when there is none.
zq_qt_mingw_archive() {
    local name=qt6-mingw-6.4.2.tar.xz
    local candidate
    for candidate in "${ZQ_QT_MINGW_ARCHIVE:-}" "$PWD/../shared/$name" "/work/shared/$name"; do
        if [ -n "$candidate" ] && [ -f "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

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
