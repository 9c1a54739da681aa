#!/usr/bin/env bash
# Another PC of the office under Wine (tests/support/other_pc.h): a prefix of its own whose
# Wine processes, its wineserver included, run in a UTS namespace with the PC's host name,
# which Wine reports as the computer name. Started by a Windows test program, which gets no
# handle of a Linux process: every command writes its exit code into RESULT when it is done
# (renamed into place, so a file that exists is complete).
#   other_pc.sh prepare RESULT PREFIX NAME [LETTER=FOLDER ...]
#       creates the prefix once (reused while its drives stay the same) and gives it
#       drives of type network: LETTER: reaches the Linux FOLDER, as a mapped share would
#   other_pc.sh link RESULT PREFIX LETTER [FOLDER]   the drive's link again, or removed
#   other_pc.sh run RESULT PREFIX NAME OUTPUT [VAR=VALUE ...] -- EXE [ARGS ...]
#       runs the Windows program EXE on the PC; its output goes to OUTPUT
#   other_pc.sh stop RESULT PREFIX                   stops the PC's wineserver
set -uo pipefail
command=$1 result=$2 prefix=$3
shift 3
export PATH=/usr/local/bin:/usr/bin:/bin WINEPREFIX="$prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Each PC keeps its own setup log, in its own profile, as a real one does.
unset ZAV_SETUP_LOG_FOLDER

finish() {
  echo "$1" >"$result.tmp" && mv -f "$result.tmp" "$result"
  exit "$1"
}

# Runs a command as the PC: in a UTS namespace of its own with the PC's host name.
as_pc() {
  local name=$1
  shift
  unshare --uts bash -c 'hostname "$0" && exec "$@"' "$name" "$@"
}

reg_add() {
  local view
  # The mount manager is a 64-bit program: drive types must reach the 64-bit view too.
  for view in 64 32; do
    wine reg add "$@" /f /reg:$view >/dev/null 2>&1 || return 1
  done
}

case $command in
prepare)
  name=$1
  shift
  wanted="$name $*"
  exec 9>"$prefix.lock"
  flock 9
  if [ "$(cat "$prefix/.zav-pc" 2>/dev/null)" != "$wanted" ]; then
    echo "other_pc: creating the prefix of $name (once)" >&2
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    # The first Wine process starts the prefix's services with its own output: not ours.
    as_pc "$name" wineboot -i >/dev/null 2>&1 </dev/null || finish 1
    desktop='C:\users\root\ZavDesktop'
    mkdir -p "$prefix/drive_c/users/root/ZavDesktop"
    as_pc "$name" bash -c "$(declare -f reg_add)
      reg_add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /t REG_SZ /d N &&
      reg_add 'HKCU\\Software\\Wine\\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 &&
      reg_add 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders' \
        /v Desktop /t REG_EXPAND_SZ /d '$desktop'" </dev/null || finish 1
    for drive in "$@"; do
      letter=${drive%%=*}
      letter=${letter,,}
      ln -sfn "${drive#*=}" "$prefix/dosdevices/$letter:"
      as_pc "$name" bash -c "$(declare -f reg_add)
        reg_add 'HKLM\\Software\\Wine\\Drives' /v '$letter:' /t REG_SZ /d network" </dev/null ||
        finish 1
    done
    # Drive types are read when the wineserver starts: the next one sees them.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    echo "$wanted" >"$prefix/.zav-pc"
  fi
  finish 0 ;;
link)
  letter=${1,,}
  if [ $# -gt 1 ]; then ln -sfn "$2" "$prefix/dosdevices/$letter:" || finish 1
  else rm -f "$prefix/dosdevices/$letter:" || finish 1
  fi
  finish 0 ;;
run)
  name=$1 output=$2
  shift 2
  vars=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do vars+=("$1"); shift; done
  shift
  # A persistent wineserver started as the PC keeps every later process of it fast.
  as_pc "$name" wineserver -p >/dev/null 2>&1 </dev/null
  as_pc "$name" env "${vars[@]}" wine "$@" >"$output" 2>&1 </dev/null
  finish $? ;;
stop)
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  finish 0 ;;
esac
finish 2
