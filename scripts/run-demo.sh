#!/usr/bin/env bash
# Installs what is missing, builds the optimised program, builds the demo SQLite database,
# runs the demo script against it through the SQLite3 ODBC driver (the report and the result
# sets are printed), and then starts the program's window on the demo script.
#
# On a machine without a display the program runs under Xvfb instead: the script waits for
# the main window, saves a screenshot to build/demo/screenshot.png, prints the window title
# and closes the program again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

demo_dir="$PWD/build/demo"
examples/build-demo-db.sh "$demo_dir/demo.db"

program=build/release/src/app/kxquerolt
"$program" --version
# The demo keeps its settings to itself.
export KX_SETTINGS_FILE="$demo_dir/KxQuerolt.PRS"

echo "run-demo: executing examples/demo.sql against $demo_dir/demo.db"
"$program" --run examples/demo.sql --connect "Driver=SQLite3;Database=$demo_dir/demo.db;"

connect="Driver=SQLite3;Database=$demo_dir/demo.db;"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" --connect "$connect" --execute examples/demo.sql
fi

echo "run-demo: no display, running under Xvfb"
# -noreset: the window polling below connects and disconnects while the program starts; each
# disconnect of a last client resets the server, and a connection made during a reset fails.
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c '
  set -euo pipefail
  "$1" --connect "$4" --execute "$2" &
  pid=$!
  for _ in $(seq 1 100); do
    title=$(xwininfo -root -tree 2>/dev/null | grep -o "\"Kx - Querolt[^\"]*\"" | head -n 1 || true)
    [ -n "$title" ] && break
    sleep 0.1
  done
  sleep 3
  import -window root "$3"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  [ -n "$title" ] || { echo "run-demo: the main window did not appear" >&2; exit 1; }
  echo "run-demo: main window $title, screenshot in $3"
' run-demo "$program" examples/demo.sql "$demo_dir/screenshot.png" "$connect"
