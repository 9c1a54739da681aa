#!/usr/bin/env bash
# Starts the setup under Wine. With a display it simply runs; without one it runs under
# Xvfb, takes a screenshot after a short while, ends the setup and says where things are.
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
shift || true
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
bash "$(dirname "$0")/../tests/wine/make-prefix.sh" "$WINEPREFIX" || exit 1
exe="$build/src/ZAV2021.exe"
log_unix="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/QEL/QEL_setup_log.txt"

if [ -n "${DISPLAY:-}" ]; then
  wine "$exe" "$@"
  rc=$?
  echo "setup exited with $rc; log: $log_unix"
  exit $rc
fi

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 && wait "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
for n in $(seq 150 199); do
  [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  break
done
sleep 1
wine "$exe" "$@" &
sleep "${ZAV_RUN_SECONDS:-15}"
shot="$build/run-screenshot.png"
import -window root "$shot" 2>/dev/null || xwd -root -silent | convert xwd:- "$shot"
echo "screenshot: $shot"
echo "setup log:  $log_unix"
