#!/usr/bin/env bash
# Installs the Debian packages Ludvane needs to build, run and test on Linux (only missing ones),
# among them the 32-bit Wine that runs the shipped 32-bit ludvane.exe, and where that Wine does
# not start natively, the emulator it runs through.
set -euo pipefail
packages=(cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
          wine wine64 wine32:i386 xvfb xauth x11-apps x11-utils imagemagick fonts-wqy-microhei
          locales googletest clang-format zip file python3)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
# The 32-bit Wine comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  source "$(dirname "${BASH_SOURCE[0]}")/apt-tolerant.sh"
  ludvane_apt_update "${sudo_cmd[@]}" apt-get update -qq
  # A mirror caught mid-sync may leave one architecture's index of a suite older than the
  # other's, and multi-arch libraries must match across both: the release's own suite then
  # still resolves.
  install=(apt-get install -y -qq "${missing[@]}")
  if ! DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" "${install[@]}" >/dev/null; then
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    echo "The install failed; trying once more with the release's own suite ($codename)."
    if [ -z "$codename" ] ||
       ! DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" "${install[@]}" -t "$codename" >/dev/null
    then
      echo "setup.sh: the packages could not be installed (apt's error above). The Debian mirror" \
        "may be mid-sync: try again in a while, or run 'apt-get update' and read what it says." >&2
      exit 1
    fi
  fi
fi

# Wine takes its ANSI code page (936) from the zh_CN.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'zh_CN.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# The 32-bit Wine runs natively where the kernel runs 32-bit programs; elsewhere (or with
# LUDVANE_EMULATE_32BIT=1) through qemu-i386, fetched here once (see wine-env.sh).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ "${LUDVANE_WINE32_NAMESPACE:-}" != 1 ] && ! ludvane_wine32_starts_natively; then
  ludvane_fetch_qemu || echo "qemu-i386 could not be fetched from Debian's $LUDVANE_QEMU_SUITE."
fi
