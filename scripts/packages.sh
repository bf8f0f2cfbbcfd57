# Sourced by play and test: installs the Debian packages the game's build needs (play), those
# the tests and benchmarks add (test), and those of the Windows cross-build and its run under
# Wine (test --windows).
# Usage: qx_install_packages pkg...   (apt-get when root, else prints the command)
qx_install_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq || return 1
        apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
    else
        echo "missing packages; run: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

QX_BUILD_PACKAGES=(cmake g++ make pkg-config libx11-dev libxext-dev libxrandr-dev libgl-dev
                   libchafa-dev libglib2.0-dev)
QX_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev python3 xvfb xdotool x11-utils tmux
                  vgabios xauth libgl1-mesa-dri libglx-mesa0 doxygen
                  xterm mlterm kitty x11-apps fonts-dejavu-core)
# The -posix compilers only: the win32 thread model's GCC has no std::thread. GoogleTest is
# built from libgtest-dev's sources; Mesa serves Wine's OpenGL.
QX_WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64
                     libgtest-dev pkg-config python3 xvfb xdotool x11-utils tmux xauth libx11-6
                     libgl1-mesa-dri libglx-mesa0)
