#!/usr/bin/env bash
# Installs the Debian 12 packages Kivari needs to build, run and test,
# skipping those already present.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache
  # libraries
  libgtkmm-4.0-dev libglibmm-2.68-dev libsigc++-3.0-dev libwebkitgtk-6.0-dev libsoup-3.0-dev
  libsodium-dev nlohmann-json3-dev libicu-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # the timer's event sound, and colour emoji for the game board and the weather
  libgsound-dev libasound2-dev sound-theme-freedesktop fonts-noto-color-emoji
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick nodejs
  # the accessibility bus the GUI tests read the window through
  dbus-daemon at-spi2-core
  # the installed desktop entry is checked
  desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages present."
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
