#!/usr/bin/env bash
# The update servers of the installation tests (CTest fixtures): the build's sample packages
# published as scripts/run.sh does, then served by tools/serve on loopback ports. "state"
# answers everything; "stall" holds the platform archive (an installation that stays on the
# install page until it is cancelled); "flaky" resets the first request for the client's
# manifest (the engine's Retry); "auth" wants proxy credentials; "pcs" resets the first
# request for the manifest too, for the office of several PCs (its own, as "flaky" is spent
# by whichever test comes first); "missing" has no manifest at all. Each server ends with CTest, which starts this script.
# install_server.sh start|stall|flaky|auth|pcs|missing|stop <build dir> <setup exe> <work folder>
set -euo pipefail
action=$1 build=$(cd "$2" && pwd) setup=$(realpath "$3") work=$4
here=$(cd "$(dirname "$0")/../.." && pwd)
serve="$here/tools/serve"
case $action in
  stop)
    python3 "$serve" stop "$work/stall" || true
    python3 "$serve" stop "$work/flaky" || true
    python3 "$serve" stop "$work/auth" || true
    python3 "$serve" stop "$work/pcs" || true
    python3 "$serve" stop "$work/missing" || true
    exec python3 "$serve" stop "$work/state" ;;
  stall)
    exec python3 "$serve" start "$work/stall" "$work/tree" --stall-seconds 30 \
      --fault stall:/update/qel_archive/moltra2021.7z ;;
  flaky)
    exec python3 "$serve" start "$work/flaky" "$work/tree" --fault reset:/update/qel.xml:1 ;;
  auth)
    exec python3 "$serve" start "$work/auth" "$work/tree" --proxy-auth any ;;
  pcs)
    exec python3 "$serve" start "$work/pcs" "$work/tree" --fault reset:/update/qel.xml:1 ;;
  missing)
    exec python3 "$serve" start "$work/missing" "$work/tree" --fault 404:/update/qel.xml ;;
esac
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
mkdir -p "$work"
python3 "$here/tools/publish" --replace --out "$work/tree" --setup "$setup" \
  --key "$here/tests/keys/test-only-signing.key" \
  --client "$build/samples/client" --client-version "$(cache ZAV_SAMPLE_CLIENT_VERSION)" \
  --runtime "$build/samples/runtime" --base-url "http://$(cache ZAV_UPDATE_HOST)" >/dev/null
exec python3 "$serve" start "$work/state" "$work/tree"
