#!/usr/bin/env bash
# Installs what is missing, builds the debug and the sanitizer configuration, and runs every
# test of both against the real databases (PostgreSQL started and stopped here).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in dev asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

scripts/with-test-databases.sh bash -c 'ctest --preset dev && ctest --preset asan'
