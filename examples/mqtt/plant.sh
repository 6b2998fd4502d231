#!/usr/bin/env bash
# Publishes the inputs of the sample plant, retained, as a plant would: the
# service takes them as its initial values. The broker is 127.0.0.1:1883
# unless PORT names another port.
set -euo pipefail
port=${PORT:-1883}
publish() { mosquitto_pub -h 127.0.0.1 -p "$port" -r -q 1 -t "$1" -m "$2"; }
publish plant/NG-101/P 45.2
publish plant/NG-101/T 21.5
publish plant/C3-102/P 850
publish plant/C3-102/T 120
publish plant/C3-102/Pc '{"value": 4248, "quality": 192}'
publish plant/N2-103/P 85.3
publish plant/N2-103/T 70.0
