#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: on a
# machine that already has them it installs nothing and touches nothing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libasio-dev libcpp-httplib-dev nlohmann-json3-dev libcli11-dev
  libsystemd-dev
  chromium
  clang libclang-rt-14-dev
  libmosquitto-dev mosquitto mosquitto-clients openssl
  libmodbus-dev python3-pymodbus python3-serial-asyncio mbpoll
  libjs-dygraphs python3-prometheus-client
  debhelper dpkg-dev lintian systemd adduser
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
