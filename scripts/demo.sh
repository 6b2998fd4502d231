#!/usr/bin/env bash
# The main job: compute Z for the sample state points.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
"$build/tools/zcalc/zcalc" gas < examples/states.csv
