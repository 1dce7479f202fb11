#!/usr/bin/env bash
# Installs, through apt, everything the build, the tests, the package and the demo need,
# when missing. Safe to run again: it installs only what is not there yet. apt's own
# download and set-up lines show how far it has got; a fresh machine takes a few minutes.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev xvfb xauth x11-utils imagemagick python3 python3-pil
          fonts-dejavu-core clang clang-format libclang-rt-14-dev libstb-dev
          libcli11-dev nlohmann-json3-dev help2man desktop-file-utils dpkg-dev fakeroot file lintian ansible ansible-lint)
# The Windows build (preset "windows"): the mingw-w64 cross compiler with the posix thread
# model, GoogleTest's sources to build it for the target, Wine (64-bit) to run the tests,
# with Wine's own fonts (Tahoma, which the window's panel is set in, and Marlett for the
# window frames' buttons), and wixl and msitools to make and read the MSI installer. Their
# recommendations (sound, cameras, 32-bit Wine) are not needed.
windows_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine wine64 fonts-wine wixl msitools)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
missing=($(missing_of "${packages[@]}"))
windows_missing=($(missing_of "${windows_packages[@]}"))
if [ ${#missing[@]} -gt 0 ] || [ ${#windows_missing[@]} -gt 0 ]; then
  echo "Installing $((${#missing[@]} + ${#windows_missing[@]})) packages (with what they need): ${missing[*]} ${windows_missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Reading the package lists..."
  $SUDO apt-get update -q
  # -q keeps one line per package fetched and set up; Progress-Fancy draws apt's bar on a terminal.
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q -o Dpkg::Progress-Fancy=1 "${missing[@]}"
  fi
  if [ ${#windows_missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q -o Dpkg::Progress-Fancy=1 --no-install-recommends \
      "${windows_missing[@]}"
  fi
  echo "Packages installed."
fi
