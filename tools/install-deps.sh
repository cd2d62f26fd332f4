#!/bin/bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing. Safe to run again: it installs nothing when all are present.
set -euo pipefail
# wine32 (i386) runs the x86 build through Wine's WoW64 support.
PACKAGES=(cmake ninja-build clang-14 libclang-rt-14-dev googletest
          mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine32:i386
          xvfb locales python3 fonts-wqy-microhei fonts-wine x11-apps imagemagick
          zlib1g-dev)
if ! { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx i386; then
  echo "adding the i386 architecture (for wine32)"
  dpkg --add-architecture i386
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
