#!/usr/bin/env bash
# Builds the system, makes a demo database in the program directory (build/bin) if there
# is none, and starts the console from there.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

db=build/bin/Varnholt.db
if [ ! -f "$db" ]; then
  build/bin/varnholt-db init "$db" --demo
fi
echo "Demo database: $(realpath "$db")"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  # Everything is built and the database is ready; only the window has nowhere to go.
  echo "run.sh: no display to show the console on; start build/bin/kelvane on a desktop" >&2
  echo "run.sh: (or under Xvfb: xvfb-run -a build/bin/kelvane)" >&2
  exit 0
fi
exec build/bin/kelvane
