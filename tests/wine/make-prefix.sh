#!/usr/bin/env bash
# Creates the test run's Wine prefix once, with its fixture drives:
#   d: CD-ROM, e: removable, f: fixed disk, n: network drive, each a folder under fixtures/.
# Tests fill the drives' folders themselves; the letters and types are fixed here because
# Wine reads drive types only when it starts.
set -euo pipefail
prefix=$1
fixtures="$(dirname "$prefix")/fixtures/drives"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.zav-ready" ] && exit 0

rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
echo "make-prefix: creating $prefix (once per build folder)"
wineboot -i >/dev/null 2>&1
wineserver -w

declare -A types=([d]=cdrom [e]=floppy [f]=hd [n]=network)
for letter in "${!types[@]}"; do
  mkdir -p "$fixtures/$letter"
  ln -sfn "$fixtures/$letter" "$prefix/dosdevices/$letter:"
  # The mount manager is a 64-bit program: the types must be in the 64-bit registry view
  # (a plain "wine reg" writes the 32-bit one, which it never reads).
  for view in 64 32; do
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d "${types[$letter]}" /f /reg:$view >/dev/null 2>&1
  done
done
# Message boxes and windows must not wait for a window manager that is not there.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.zav-ready"
