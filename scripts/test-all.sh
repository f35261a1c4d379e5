#!/usr/bin/env bash
# Installs what is missing, builds the debug, the sanitizer and the optimised (-O2, as
# distributions build) configuration, and runs every test of all three against the real
# databases (PostgreSQL started and stopped here); then the tests of what runs on a second
# thread under ThreadSanitizer. The optimised build catches what only -O2 shows: GCC's
# flow-based warnings (-Werror) and faults that -O0 happens to hide. Last, the fuzz targets
# run over their seed corpora and then fuzz briefly (15 s each); any input that fails a
# property fails the whole command.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# tsan builds only the tests of what runs on a second thread (its build preset names them).
for preset in dev asan opt tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

scripts/with-test-databases.sh bash -c \
  'ctest --preset dev && ctest --preset asan && ctest --preset opt && ctest --preset tsan'

scripts/fuzz.sh 15
