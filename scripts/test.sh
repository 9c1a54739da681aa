#!/usr/bin/env bash
# Runs every test of a build folder under Wine with a virtual display, and leaves nothing
# running afterwards (Xvfb and the persistent wineserver are stopped also on failure).
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
shift || true
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The native lane first: the pure logic under the sanitizers, in seconds, before Wine starts.
native="$build/native"
if ! { cmake -S "$(dirname "$0")/../tests/native" -B "$native" -DCMAKE_BUILD_TYPE=Debug >"$native.log" 2>&1 &&
       cmake --build "$native" -j "$(nproc)" >>"$native.log" 2>&1; }; then
  cat "$native.log"
  echo "test: the native lane did not build" >&2
  exit 1
fi
ctest --test-dir "$native" --output-on-failure || exit 1

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  # The other PCs of the end-to-end tests (tests/support/other_pc.sh), should a test have
  # been ended before it could stop them.
  for pc in "$build"/pcs/*/*/.zav-pc; do
    [ -e "$pc" ] && WINEPREFIX=$(dirname "$pc") wineserver -k >/dev/null 2>&1
  done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 && wait "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] || [ "${ZAV_OWN_DISPLAY:-1}" = 1 ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

bash "$(dirname "$0")/../tests/wine/make-prefix.sh" "$WINEPREFIX" || exit 1
wineserver -p >/dev/null 2>&1 </dev/null

ctest --test-dir "$build" --output-on-failure -j "${ZAV_TEST_JOBS:-2}" "$@"
