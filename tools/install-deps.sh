#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# the machine does not have yet. The plug-in is a 32-bit DLL, so Wine's 32-bit
# part (wine32 of the i386 architecture, which this adds to dpkg) comes beside
# wine64: the tests run the DLL as on 64-bit Windows. The Linux daemon builds on
# libmpdclient and sd-bus, and its tests run a real MPD server (mpd, checked with
# mpc, over tagged files made with sox) and a mock BlueZ on a private D-Bus.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config python3 unicode-data
    libgtest-dev libgmock-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 wine32:i386 xvfb xauth locales
    clang libclang-rt-14-dev
    nsis zip unzip socat
    mpd mpc libmpdclient-dev sox libsox-fmt-base libsystemd-dev dbus-daemon python3-dbusmock python3-dbus
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 architecture (for wine32:i386)"
    $sudo dpkg --add-architecture i386
fi

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: every package is installed"
else
    echo "install-deps: installing ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A locale with a decimal comma, for the test that the fade factor reads the
# same whatever locale the host process runs in.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
    echo "install-deps: generating the de_DE.UTF-8 locale"
    $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
