#!/usr/bin/env bash
# Refreshes the README's pictures of the monitoring page (docs/*.png): runs
# the page's browser test on a sample plant and keeps its screenshots.
# Usage: scripts/screenshots.sh [build folder]   (after make build node_modules)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
mkdir -p "$root/docs"
TARNEL_SCREENSHOTS="$root/docs" node "$root/tests/service/host/browser/monitorPage.test.mjs" \
  "$build/service/host/TarnelSvc" "$build/tools/regsvr/regsvr" "$build/component/libPellonar.so"
ls -l "$root/docs"/monitor-*.png
