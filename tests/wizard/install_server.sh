#!/usr/bin/env bash
# The update server of the installation tests (a CTest fixture): the build's sample packages
# published as scripts/run.sh does, then served by tools/serve on a loopback port.
# install_server.sh start|stop <build dir> <setup exe> <work folder>
set -euo pipefail
action=$1 build=$(cd "$2" && pwd) setup=$(realpath "$3") work=$4
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ "$action" = stop ]; then
  exec python3 "$here/tools/serve" stop "$work/state"
fi
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
mkdir -p "$work"
python3 "$here/tools/publish" --replace --out "$work/tree" --setup "$setup" \
  --client "$build/samples/client" --client-version "$(cache ZAV_SAMPLE_CLIENT_VERSION)" \
  --runtime "$build/samples/runtime" --base-url "http://$(cache ZAV_UPDATE_HOST)" >/dev/null
exec python3 "$here/tools/serve" start "$work/state" "$work/tree"
