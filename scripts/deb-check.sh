#!/usr/bin/env bash
# Installs the package on this machine and takes it through its life: lintian,
# dpkg -i, the installed files, user, registration and unit, one run of the
# installed service as the unit would run it, an upgrade that keeps a changed
# configuration, remove and purge. Whatever fails, the package is purged on the
# way out, so the package database is never left half-configured.
#   scripts/deb-check.sh tarnel_<version>_amd64.deb      (as root)
set -euo pipefail

deb=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"

work=$(mktemp -d)
service_pid=
cleanup() {
  [ -z "$service_pid" ] || kill -9 "$service_pid" 2>/dev/null || true
  if dpkg-query -W -f='${Status}' tarnel 2>/dev/null | grep -q 'installed\|config-files\|half'; then
    echo "deb-check: purging tarnel on the way out"
    dpkg --purge tarnel >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "deb-check: $*"; }
fail() { echo "deb-check: FAILED: $*" >&2; exit 1; }
check() { "$@" || fail "$*"; }
absent() { [ ! -e "$1" ] || fail "$1 is still there"; }
as_tarnel() { setpriv --reuid=tarnel --regid=tarnel --clear-groups "$@"; }
# Waits (at most 120 s) for a line matching $2 from line $3 on of file $1.
wait_for_line() {
  (set +o pipefail; timeout 120 tail -F -n "+$3" "$1" 2>/dev/null | grep -q -m1 "$2")
}
registered() { grep -q '/usr/lib/tarnel/libPellonar.so' /var/lib/tarnel/registry 2>/dev/null; }

! dpkg-query -W -f='${Status}' tarnel 2>/dev/null | grep -q installed ||
  fail "tarnel is installed already; this check would replace it"
! getent passwd tarnel >/dev/null || fail "a user tarnel exists already"

step "lintian"
lintian --fail-on error,warning --info "$deb"

step "install"
dpkg -i "$deb"
for f in /usr/bin/TarnelSvc /usr/bin/zcalc /usr/bin/regsvr /usr/lib/tarnel/libPellonar.so \
         /lib/systemd/system/TarnelService.service /etc/logrotate.d/tarnel \
         /usr/share/doc/tarnel/README.md.gz /usr/share/doc/tarnel/examples/Streams.csv \
         /usr/share/man/man1/TarnelSvc.1.gz /usr/share/man/man1/zcalc.1.gz \
         /usr/share/man/man1/regsvr.1.gz; do
  check test -f "$f"
done
for f in TarnelSvc.ini Streams.csv Simulation.csv; do
  dpkg-query -W -f='${Conffiles}\n' tarnel | grep -q " /etc/tarnel/$f " || fail "/etc/tarnel/$f is no conffile"
done
! grep -q ',shutdown,' /etc/tarnel/Simulation.csv || fail "the installed scenario ends"
check getent passwd tarnel >/dev/null
check test "$(stat -c %U /var/lib/tarnel)" = tarnel
check registered
absent /etc/systemd/system/multi-user.target.wants/TarnelService.service

step "unit"
# systemd is not process 1 here, so what the scripts would tell it is read:
# an upgrade restarts a running service only, installing does not start it
# (nor enable it: see the missing link above).
dpkg-deb -I "$deb" postinst | grep -q 'deb-systemd-invoke try-restart .TarnelService.service.' ||
  fail "an upgrade does not restart a running service"
! dpkg-deb -I "$deb" postinst | grep -qE 'deb-systemd-invoke (start|restart) ' ||
  fail "installing starts the service"
dpkg-deb -I "$deb" prerm | grep -q 'deb-systemd-invoke stop TarnelService.service' ||
  fail "removing does not stop the service"
unit=/lib/systemd/system/TarnelService.service
systemd-analyze verify "$unit"
exposure=$(systemd-analyze security --offline=true --no-pager "$unit" |
            sed -n 's/.*Overall exposure level for TarnelService.service: \([0-9.]*\).*/\1/p')
step "exposure level $exposure"
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.0) }' || fail "exposure level '$exposure' above 2.0"

step "the installed service, run as the unit runs it"
# The directories as systemd hands them to the unit; its user, no home.
run_service() {
  local from=$(( $(cat /var/lib/tarnel/SimulationWrites.csv 2>/dev/null | wc -l) + 1 ))
  env -i PATH=/usr/bin:/bin HOME=/nonexistent CONFIGURATION_DIRECTORY=/etc/tarnel \
      STATE_DIRECTORY=/var/lib/tarnel LOGS_DIRECTORY=/var/log/tarnel \
      setpriv --reuid=tarnel --regid=tarnel --clear-groups \
      timeout 300 /usr/bin/TarnelSvc -debug > "$work/service.out" 2>&1 &
  service_pid=$!
  # The first Z the service writes into the simulation server's journal.
  wait_for_line /var/lib/tarnel/SimulationWrites.csv 'ZI-101' "$from" ||
    fail "no Z written in 120 s: $(cat "$work/service.out")"
  kill -TERM "$service_pid"
  wait "$service_pid" || fail "the service ended with status $?: $(cat "$work/service.out")"
  service_pid=
}
touch "$work/before-run"
run_service
# Nothing written outside the state and log folders.
written=$(find /etc /usr /var /home /root -xdev -newer "$work/before-run" -type f \
            -not -path '/var/lib/tarnel/*' -not -path '/var/log/tarnel/*' 2>/dev/null || true)
[ -z "$written" ] || fail "the service wrote outside its folders: $written"
check grep -q '  Started$' /var/log/tarnel/TarnelService.log
check grep -q '  Stopped$' /var/log/tarnel/TarnelService.log
check test "$(stat -c %U /var/log/tarnel/TarnelService.log)" = tarnel
for f in /usr/bin/TarnelService.log /etc/tarnel/TarnelService.log /usr/bin/SimulationWrites.csv \
         /etc/tarnel/SimulationWrites.csv; do
  absent "$f"
done
# What the service's user may write: its state and log folders, nothing of
# the system's or anyone's home (the unit's sandbox adds to this).
for d in /var/lib/tarnel /var/log/tarnel; do as_tarnel test -w "$d" || fail "tarnel cannot write $d"; done
for d in /usr/bin /usr/lib/tarnel /etc /etc/tarnel /root /home /lib/systemd/system; do
  ! as_tarnel test -w "$d" || fail "tarnel can write $d"
done

step "upgrade, keeping a changed configuration"
echo '; changed by the administrator' >> /etc/tarnel/TarnelSvc.ini
cp /etc/tarnel/TarnelSvc.ini "$work/ini.before"
lines_before=$(wc -l < /var/log/tarnel/TarnelService.log)
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -R "$deb" "$work/pkg"
sed -i "s/^Version: .*/Version: ${version}+upgrade1/" "$work/pkg/DEBIAN/control"
dpkg-deb --root-owner-group -b "$work/pkg" "$work/tarnel_upgrade.deb" >/dev/null
dpkg -i --force-confold "$work/tarnel_upgrade.deb"
check test "$(dpkg-query -W -f='${Version}' tarnel)" = "${version}+upgrade1"
check cmp -s /etc/tarnel/TarnelSvc.ini "$work/ini.before"
check test "$(wc -l < /var/log/tarnel/TarnelService.log)" -eq "$lines_before"
check test -f /var/lib/tarnel/SimulationWrites.csv
check registered
run_service

step "remove"
dpkg --remove tarnel
absent /usr/bin/TarnelSvc
absent /usr/lib/tarnel/libPellonar.so
! registered || fail "the component is still registered"
check test -f /etc/tarnel/TarnelSvc.ini

step "purge"
dpkg --purge tarnel
for f in /etc/tarnel /var/lib/tarnel /var/log/tarnel /etc/logrotate.d/tarnel \
         /lib/systemd/system/TarnelService.service /usr/share/doc/tarnel; do
  absent "$f"
done
! getent passwd tarnel >/dev/null || fail "the user tarnel is still there"
! getent group tarnel >/dev/null || fail "the group tarnel is still there"
! dpkg-query -W tarnel >/dev/null 2>&1 || fail "the package database still knows tarnel"
step "passed"
