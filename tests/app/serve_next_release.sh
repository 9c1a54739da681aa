#!/usr/bin/env bash
# Publishes a TEST release whose setup is the build one version newer, and serves it for the
# self-update's end-to-end test (a CTest fixture; the server ends with the test run).
# serve_next_release.sh <work dir> <build dir> <newer setup exe>
set -euo pipefail
work=$1 build=$(cd "$2" && pwd) next=$(realpath "$3")
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
mkdir -p "$work"
python3 "$tools/publish" --replace --key "$tools/../tests/keys/test-only-signing.key" --client "$build/samples/client" --client-version 2.0.1.7 \
  --runtime "$build/samples/runtime" --setup "$next" --base-url http://updates.example \
  --mode TEST --out "$work/tree" >/dev/null
# exec: the server watches its starter's parent, which must be CTest, not this script.
exec python3 "$tools/serve" start "$work/serve" "$work/tree"
