#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test with CTest:
# the main build, then the gateway again under AddressSanitizer and UBSan.
# The PostgreSQL tests start a throw-away cluster of their own.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNHOLT_SANITIZE=ON -DVARNHOLT_GUI=OFF >/dev/null
cmake --build build-asan -j"$jobs" --target gateway_tests
ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600 -L gateway
