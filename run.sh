#!/usr/bin/env bash
# Builds the system and makes a demo database in the program directory (build/bin).
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
