#!/usr/bin/env bash
# The main job: TarnelSvc running the sample plant of examples/ (three streams
# kept moving by the simulation server) in a scratch copy, demo/, with its
# status page. Ctrl+C stops the service as the service manager would.
# DEMO_SECONDS=n stops it by itself after n seconds.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

demo=$PWD/demo
rm -rf "$demo"
mkdir -p "$demo"
cp examples/TarnelSvc.ini examples/Streams.csv examples/Simulation.csv "$demo/"

# The service creates its Gas object by class identifier: register the
# component in the demo's own registry first.
export TARNEL_REGISTRY=$demo/registry
"$build/tools/regsvr/regsvr" "$build/component/libPellonar.so"

TARNEL_HOME=$demo "$build/service/host/TarnelSvc" -debug &
service=$!
stop() { kill -TERM "$service" 2>/dev/null || true; }
trap stop INT TERM

log=$demo/TarnelService.log
for _ in $(seq 1 100); do
    grep -q "Status page" "$log" 2>/dev/null && break
    sleep 0.1
done
echo
grep -h "Status page" "$log" || echo "The status page did not start; see $log"
echo "Files: $demo (log TarnelService.log, writes to the server SimulationWrites.csv)"
echo "Ctrl+C stops the service."
echo

# Show what the service writes back to the plant as it happens.
tail -n +1 -F "$demo/SimulationWrites.csv" 2>/dev/null &
follower=$!
if [ -n "${DEMO_SECONDS:-}" ]; then (sleep "$DEMO_SECONDS"; stop) & fi
status=0
wait "$service" || status=$?
# A stop request made wait return early: wait for the service's own end.
while kill -0 "$service" 2>/dev/null; do wait "$service" || status=$?; done
kill "$follower" 2>/dev/null || true
echo
tail -n 3 "$log"
exit "$status"
