#!/usr/bin/env bash
# Builds the system, makes a demo database in the program directory (build/bin) if there
# is none, and starts the console from there, with a simulated modem and the gateway host
# beside it, so a consumer's SMS can be played with scripts/consumer-sms. Without a
# display, the simulator and the host run in the foreground until Ctrl-C.
#
# VARNHOLT_BUILD_DIR=DIR runs the programs of a tree already built there, as it is (no
# install or build step; the end-to-end walk under scripts/e2e does so).
set -euo pipefail
cd "$(dirname "$0")"

build=${VARNHOLT_BUILD_DIR:-}
if [ -z "$build" ]; then
  build=build
  scripts/install-deps
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)"
fi

# The programs' directory (KELVANE_HOME moves it, for console and host alike).
db=${KELVANE_HOME:-$build/bin}/Varnholt.db
if [ ! -f "$db" ]; then
  "$build/bin/varnholt-db" init "$db" --demo
fi
echo "Demo database: $(realpath "$db")"

# The simulated modem and the host, in a folder of their own (VARNHOLT_SIM_DIR, as
# scripts/consumer-sms reads it).
run=${VARNHOLT_SIM_DIR:-$build/run}
mkdir -p "$run"
rm -f "$run/modem" "$run/modem.sock"
pids=()
# The host first, so it can finish the message it is sending while the modem is still there.
# A further Ctrl-C or TERM meanwhile hurries them all along but never leaves one behind: the
# simulator has a session of its own and nothing else would stop it.
stop_all() {
  trap 'kill "${pids[@]}" 2>/dev/null || true' INT TERM HUP
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    # wait returns early when a signal comes in; wait again until the program has ended.
    while kill -0 "${pids[i]}" 2>/dev/null; do
      wait "${pids[i]}" 2>/dev/null || true
    done
  done
}
trap stop_all EXIT
trap 'exit 130' INT TERM

foreground=
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then foreground=1; fi

# In a session of its own, so Ctrl-C reaches the host first and the modem stays until the
# host has finished its message.
setsid "$build/bin/gsm-modem-sim" --link "$run/modem" --control "$run/modem.sock" --log "$run/modem.jsonl" \
  >"$run/sim.out" 2>"$run/sim.err" &
pids+=($!)
for _ in $(seq 50); do [ -S "$run/modem.sock" ] && break; sleep 0.1; done
# The host finds the database as the console does: link file or Varnholt.db in $build/bin.
if [ -n "$foreground" ]; then
  "$build/bin/varnholt-gateway" --port "$run/modem" --send-pause 5 &
else
  "$build/bin/varnholt-gateway" --port "$run/modem" --send-pause 5 2>"$run/gateway.log" &
fi
pids+=($!)

hostlog="$run/gateway.log"
if [ -n "$foreground" ]; then hostlog="below"; fi
cat <<TEXT
Simulated modem: $run/modem (log of what it sent: $run/modem.jsonl)
Gateway host: varnholt-gateway, log: $hostlog
Play a consumer:  scripts/consumer-sms 13912345678 <a 16-digit code>
Codes to try:     sqlite3 $db "select ProductID||ProductCode, UseStatus from ProductTable limit 5"
Queries logged:   sqlite3 $db "select * from QueryLogTable order by QueryIndex desc limit 5"
TEXT

if [ -n "$foreground" ]; then
  echo "run.sh: no display for the console; simulator and host run here until Ctrl-C" >&2
  echo "run.sh: (the console: $build/bin/kelvane on a desktop, or xvfb-run -a $build/bin/kelvane)" >&2
  wait "${pids[@]}"
  exit 0
fi
"$build/bin/kelvane"
