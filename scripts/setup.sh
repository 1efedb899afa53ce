#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Brivo needs.
# Idempotent: when everything is present it installs nothing and does not touch apt.
set -euo pipefail

packages=(
    # toolchain
    build-essential cmake ninja-build pkg-config ccache clang-format
    # Qt 6: widgets, designer forms, printing, pictures
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qt6-qpa-plugins qt6-image-formats-plugins libqt6svg6
    # Wayland: Qt's platform plugin for it
    qt6-wayland
    # the image viewer decodes JPEG with libjpeg-turbo itself
    libjpeg62-turbo-dev
    libgl-dev libglx-dev libopengl-dev libvulkan-dev libxkbcommon-dev
    # the snapshot's Window choice: the X11 window list
    libxcb1-dev
    # media player: QtMultimedia on GStreamer
    qt6-multimedia-dev libqt6multimedia6 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-bad gstreamer1.0-libav gstreamer1.0-tools
    # web browser
    qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev qt6-positioning-dev
    # PDF viewer
    libpoppler-qt6-dev
    # archive tool
    p7zip-full
    # code editor runs: the toolchains its end-to-end test sets up and runs
    g++ python3 perl
    # tests and screenshots: a virtual X server, window inspection, fonts
    xvfb xauth x11-utils xdotool xclip imagemagick fonts-dejavu-core
    # a session bus for the programs the tests start, as a desktop session has
    dbus-daemon
    # a desktop as users have one: a window manager, a drag source of another program (GTK 3 from
    # Python), a headless Wayland compositor, and a stand-in screenshot portal (Python D-Bus)
    openbox python3-gi gir1.2-gtk-3.0 weston python3-dbus
    # redrawing the resource pictures (cmake --build build --target brivo_images_regenerate)
    pngquant
    # test data: password-protected PDFs
    qpdf
    # benchmarks (bench/run): watching other programs' windows being drawn
    libxcb-damage0-dev
    # the Debian package (cmake --build build --target package) and its checks: shlibdeps reads the
    # built files with `file`; the manual page, desktop entry, AppStream metadata and file types are
    # validated, and lintian checks the package
    file dpkg-dev mandoc desktop-file-utils appstream shared-mime-info lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
