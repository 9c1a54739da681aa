#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on a Debian machine (as root).
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686)
have wine || need+=(wine wine32:i386 wine64)
[ -e /usr/lib/wine/wine ] || [ -e /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] || need+=(wine32:i386)
have Xvfb || need+=(xvfb xauth)
have 7zz || need+=(7zip)
have cmake || need+=(cmake)
have g++ || need+=(g++)
have make || need+=(make)
have sqlite3 || need+=(sqlite3)
have python3 || need+=(python3)
# tools/publish signs releases with it; the tests' servers too.
python3 -c 'import cryptography' 2>/dev/null || need+=(python3-cryptography)
have xdotool || need+=(xdotool)
have import || need+=(imagemagick)
have dpkg-source || need+=(dpkg-dev)
have strace || need+=(strace)
# A plain static web server for the download tests; its service must not start on port 80.
[ -x /usr/sbin/nginx ] || need+=(nginx-light)
have curl || need+=(curl)

# Source entries are derived from the machine's own binary entries, so no host is named here.
src_list=/etc/apt/sources.list.d/zav-deb-src.sources
added_src=0
if [ ! -f "$src_list" ]; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$src_list" ] && continue
    # Only Debian's own archive entries (they carry the Debian keyring).
    grep -q 'debian-archive-keyring' "$f" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$tmp"
    printf '\n' >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' >/etc/apt/sources.list.d/zav-deb-src.list || true
  fi
  if [ -s "$tmp" ]; then mv "$tmp" "$src_list"; else rm -f "$tmp"; touch "$src_list"; fi
  added_src=1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  added_src=1
fi

# A mirror caught mid-sync fails one index ("File has unexpected size"): that is retried,
# then tolerated, since the other indexes are enough to install from.
export DEBIAN_FRONTEND=noninteractive
if [ ${#need[@]} -gt 0 ] || [ "$added_src" = 1 ] || [ ! -f /var/lib/zav-apt-updated ]; then
  for try in 1 2 3; do
    apt-get update -qq && break
    [ "$try" = 3 ] && echo "setup-machine: apt-get update failed; going on with the indexes it has" >&2
    sleep $((try * 5))
  done
  touch /var/lib/zav-apt-updated
fi
if [ ${#need[@]} -gt 0 ]; then
  # Without an i386 index of the security suite, the i386 libraries cannot match their
  # amd64 twins' versions; the release suite alone always has matching pairs.
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  # Packages install without starting their services (nginx's would take port 80); the
  # tests start their own servers.
  no_start=0
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d
    no_start=1
  fi
  trap 'if [ "$no_start" = 1 ]; then rm -f /usr/sbin/policy-rc.d; fi' EXIT
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null 2>&1 ||
    apt-get install -y -qq --no-install-recommends ${suite:+-t "$suite"} "${need[@]}" >/dev/null
fi

# Some virtual machines cannot run 32-bit Linux programs (32-bit Wine) natively. There,
# 32-bit programs go through a user-mode emulator registered with binfmt_misc. The emulator
# must honour MAP_FIXED_NOREPLACE, or Wine's address-space reservation takes a minute per
# process; bookworm's is too old, so the static build of the next Debian release is used.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  emu=/usr/local/lib/zav-emu/qemu-i386
  if [ ! -x "$emu" ]; then
    work=$(mktemp -d)
    mkdir -p "$work/sl.d" "$work/lists/partial" "$work/cache/archives/partial"
    for f in /etc/apt/sources.list.d/*.sources; do
      grep -q 'debian-archive-keyring' "$f" 2>/dev/null || continue
      grep -q '^Types:.*deb-src' "$f" && continue
      awk '/^Suites:/ { if ($0 ~ /-security/) print "Suites: trixie-security"; else print "Suites: trixie"; next } { print }' "$f" >"$work/sl.d/$(basename "$f")"
    done
    opts=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$work/sl.d"
          -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o APT::Architectures::=amd64)
    apt-get "${opts[@]}" update -qq
    ( cd "$work" && apt-get "${opts[@]}" download qemu-user:amd64 >/dev/null 2>&1 )
    dpkg -x "$work"/qemu-user_*.deb "$work/x"
    mkdir -p "$(dirname "$emu")"
    install -m 755 "$work/x/usr/bin/qemu-i386" "$emu"
    rm -rf "$work"
  fi
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && ! grep -q "$emu" /proc/sys/fs/binfmt_misc/qemu-i386; then
    echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emu"':OCF' \
      >/proc/sys/fs/binfmt_misc/register
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup-machine: 32-bit programs still cannot run" >&2; exit 1; }
fi
echo "machine ready"
