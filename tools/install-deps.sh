#!/bin/bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing. Safe to run again: it installs nothing when all are present.
# Its messages go to standard error (the demo hides the build's output).
#
# A package mirror that fails part way is worked around where that is safe:
# "apt-get update" is tried twice, and an index that still cannot be read is
# named and left out. When that index belongs to one architecture of an
# archive (bookworm-security's i386 packages, say), the other architecture
# gets that archive's newer libraries and the two no longer agree on a
# version, which multiarch libraries must; the install is then tried once
# more with that archive ranked below the main one, for that run only (a
# preferences file of its own, removed afterwards). Anything else stops with
# the failed index or package named and what to do.
set -euo pipefail
say() { echo "install-deps: $*" >&2; }

PACKAGES=(cmake ninja-build clang-14 libclang-rt-14-dev googletest
          mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64
          xvfb locales python3 fonts-wqy-microhei fonts-wine x11-apps imagemagick
          zlib1g-dev)
# wine32 (i386) runs the x86 build through Wine's WoW64 support; a run of the
# x64 build alone (QAV_ARCHS=x64) does without it.
case " ${QAV_ARCHS:-x64 x86} " in
  *" x86 "*)
    PACKAGES+=(wine32:i386)
    if ! { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx i386; then
      say "adding the i386 architecture (for wine32)"
      dpkg --add-architecture i386
    fi ;;
esac
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

say "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if ! apt-get update -q >"$work/update" 2>&1; then
  say "apt-get update failed; trying once more"
  sleep 5
  apt-get update -q >"$work/update" 2>&1 || true
fi
# "W: Failed to fetch URL  reason" or "E: Failed to fetch ...", one per index.
failed_indexes="$(grep -E '^[EW]: Failed to fetch ' "$work/update" | sed -E 's/^[EW]: Failed to fetch //' || true)"
failed_archives="$(echo "$failed_indexes" | sed -nE 's|.*/dists/([^/ ]+)/.*|\1|p' | sort -u)"
if [ -n "$failed_indexes" ]; then
  say "these package indexes could not be read; going on without them:"
  echo "$failed_indexes" | sed 's/^/    /' >&2
fi

apt_install() {  # apt_install [apt-get option...]: the missing packages, output in $work/install
  apt-get install -y -q --no-install-recommends "$@" "${missing[@]}" >"$work/install" 2>&1
}
if apt_install; then exit 0; fi

if [ -n "$failed_archives" ] && grep -qE 'unmet dependencies|held broken packages' "$work/install"; then
  pin="$work/preferences"
  [ -f /etc/apt/preferences ] && cat /etc/apt/preferences >"$pin"
  for archive in $failed_archives; do
    for field in n a; do  # its code name (bookworm-security) or suite (stable-security)
      printf 'Package: *\nPin: release %s=%s\nPin-Priority: 100\n\n' "$field" "$archive" >>"$pin"
    done
  done
  say "the architectures disagree on library versions (an index of $(echo $failed_archives) is missing);" \
      "installing once more with $(echo $failed_archives) ranked below the main archive, for this install only"
  if apt_install -o Dir::Etc::Preferences="$pin"; then
    say "installed; $(echo $failed_archives) is ranked as before for every later apt run"
    exit 0
  fi
fi

# What could not be installed, and why, in apt's words: its reason for each
# package asked for, else its errors.
say "the packages could not be installed:"
i386=0 named=0
for p in "${missing[@]}"; do
  # " wine32:i386 : Depends: ..." or "E: Package 'wine32:i386' has no installation candidate"
  reason="$(grep -m1 -F " $p : " "$work/install" | sed 's/^ *[^ ]* : //' ||
            grep -m1 -E "^E: .*[ ']$p('| |$)" "$work/install" | sed 's/^E: //' || true)"
  [ -n "$reason" ] || continue
  say "  $p cannot be installed: $reason"; named=1
  case "$p" in *:i386) i386=1 ;; esac
done
[ $named = 1 ] || grep -E '^E: ' "$work/install" | sed 's/^E: /install-deps:   apt: /' >&2 || true
if [ -n "$failed_indexes" ]; then
  say "some package indexes could not be read (listed above): while the mirror is being synced" \
      "(\"Mirror sync in progress?\") run this again later, or choose another mirror in /etc/apt/sources.list.d/"
else
  say "see apt's messages above; 'apt-get install ${missing[*]}' shows them in full"
fi
if [ $i386 = 1 ] || grep -qE '^ [^ ]+:i386 : ' "$work/install"; then
  say "the x64 build and its tests can run alone without wine32:i386: QAV_ARCHS=x64 bash tools/test.sh (or tools/demo.sh)"
fi
exit 1
