#!/usr/bin/env bash
# Starts the setup under Wine against a local update server: the sample packages of the
# build are published into build/run-server, served on a free loopback port, and Wine's
# WinINet reaches that server as its HTTP proxy (http_proxy), so the setup keeps its
# built-in server name. With a display it simply runs; without one it runs under Xvfb,
# takes a screenshot once the setup's window is up, ends the setup and says where things are.
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
shift || true
here=$(cd "$(dirname "$0")/.." && pwd)
# A prefix of its own: the installation it makes must not be found by the tests' survey.
export WINEPREFIX="$build/run-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
bash "$here/tests/wine/make-prefix.sh" "$WINEPREFIX" || exit 1
exe="$build/src/ZAV2021.exe"
log_unix="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/QEL/QEL_setup_log.txt"
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

tree="$build/run-server" state="$build/run-server-state"
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 && wait "$xvfb_pid" 2>/dev/null
  python3 "$here/tools/serve" stop "$state" >/dev/null
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The TEST-ONLY key, the one the default build trusts.
python3 "$here/tools/publish" --replace --out "$tree" --setup "$exe" \
  --key "$here/tests/keys/test-only-signing.key" \
  --client "$build/samples/client" --client-version "$(cache ZAV_SAMPLE_CLIENT_VERSION)" \
  --runtime "$build/samples/runtime" --base-url "http://$(cache ZAV_UPDATE_HOST)" || exit 1
python3 "$here/tools/serve" start "$state" "$tree" || exit 1
port=$(cat "$state/serve.port")
export http_proxy="http://127.0.0.1:$port"
# Every file the setup will ask for must come through the proxy whole, starting with its
# self-update check; the client archive is the one the manifest names. Each comes with its
# signature.
python3 - "http://$(cache ZAV_UPDATE_HOST)" <<'PY' || exit 1
import os, re, sys, urllib.request
proxy = os.environ["http_proxy"]
opener = urllib.request.build_opener(urllib.request.ProxyHandler({"http": proxy}))
def fetch(url, signed=True):
    with opener.open(url, timeout=30) as answer:
        body = answer.read()
        if int(answer.headers["Content-Length"]) != len(body):
            sys.exit("incomplete answer for " + url)
    print("  %-72s %9d bytes" % (url, len(body)))
    if signed:  # the setup refuses a file without its signature
        fetch(url + ".sig", False)
    return body
print("update server through %s:" % proxy)
version = fetch(sys.argv[1] + "/update/setup_ZAV2021.txt").decode()
print("  setup version on the server: " + version)
manifest = fetch(sys.argv[1] + "/update/qel.xml").decode()
fetch(re.search("<download_url>(.*)</download_url>", manifest).group(1))
fetch(sys.argv[1] + "/update/qel_archive/moltra2021.7z")
fetch(sys.argv[1] + "/ZAV2021.7z")
PY

if [ -n "${DISPLAY:-}" ]; then
  wine "$exe" "$@"
  rc=$?
  echo "setup exited with $rc; log: $log_unix"
  echo "server log: $state/serve.log"
  exit $rc
fi

for n in $(seq 150 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  break
done
driver="$build/tests/wizard/zav_run_driver.exe"
if [ -f "$driver" ]; then
  # A whole new-office installation on the default drive, driven as a person pressing Next
  # would (tests/wizard/run_driver_main.cpp): new office 00123, password SEGRETO, the share
  # question answered No. The previous run's installation is removed first.
  run="$build/run"
  rm -rf "$run" "$WINEPREFIX/drive_c/ZAV" "$log_unix"
  mkdir -p "$run/desktop"
  ZAV_BUILD_DIR="$run" wine "$driver" "Z:${run//\//\\}\\desktop" "$@" | iconv -f CP1252 -t UTF-8
  rc=${PIPESTATUS[0]}
  echo "screenshots: $run/screenshots"
  echo "installed:   $WINEPREFIX/drive_c/ZAV (C:\\ZAV\\PM00123 and the client in C:\\ZAV\\QEL)"
  echo "shortcut:    $run/desktop/Rivaduz ZAV.lnk"
  echo "setup log:   $log_unix"
  echo "server:      $tree (log $state/serve.log)"
  exit $rc
fi

wine "$exe" "$@" &
# Wine names its windows' class after the executable; wait for a visible one, then give it
# a moment to paint.
if timeout "${ZAV_RUN_SECONDS:-60}" xdotool search --sync --onlyvisible --classname \
     'zav2021.exe' >/dev/null 2>&1; then
  sleep 2
else
  echo "the setup showed no window within ${ZAV_RUN_SECONDS:-60} s"
fi
shot="$build/run-screenshot.png"
import -window root "$shot" 2>/dev/null || xwd -root -silent | convert xwd:- "$shot"
echo "screenshot: $shot"
echo "setup log:  $log_unix"
echo "server:     $tree (log $state/serve.log)"
