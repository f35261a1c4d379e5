#!/usr/bin/env bash
# The journey of a user through the program, with real key presses on a virtual display:
# start, choose the demo connection in the connection dialog, load a script through the file
# dialog, Next Statement, Execute current Statement, change a setting, work in the grid, open
# the schema window and a table's data window and edit there, Execute Remaining Statements,
# quit; then start again and find the connection, the script, the open result, the setting and
# the windows restored.
#
# journey.sh PROGRAM DEMO_DB_SCRIPT OUTPUT_DIR — runs itself again under xvfb-run.
set -euo pipefail

# -noreset: an X server resets whenever its last client disconnects, and a client that
# connects during the reset is refused. Every xdotool call is a short-lived client, so without
# it the program's own connection at its second start could land in a reset and fail.
if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$0" --inside "$@"
fi
shift
program=$(realpath "$1")
build_db=$(realpath "$2")
out=$(realpath -m "$3")
mkdir -p "$out"
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export KX_SETTINGS_FILE="$work/KxQuerolt.PRS"
export QT_QPA_PLATFORM=xcb
"$build_db" "$work/demo.db" >/dev/null
script="$work/journey.sql"
printf '%s\n' "SELECT product_id, name, price FROM products ORDER BY product_id;" \
  "SELECT count(*) AS customer_count FROM customers;" >"$script"

fail() {
  echo "journey: $*" >&2
  import -window root "$out/journey-failure.png" 2>/dev/null || true
  exit 1
}

# Waits for a window whose title matches the pattern; prints its id.
wait_window() {
  local id
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Without a window manager the keyboard goes where the program put its focus; the first
# window gets it explicitly.
focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.3
}

wait_exit() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; pid=; return 0; }
    sleep 0.1
  done
  return 1
}

setting() { # the value of NAME in the settings file (first match)
  grep -a -m1 "^$1=" "$KX_SETTINGS_FILE" | cut -d= -f2- | tr -d '\r' || true
}

# ---- first start
"$program" &
pid=$!
main=$(wait_window '^Kx - Querolt - \[No DB Connection\]$') || fail "the main window did not appear"
focus "$main"

# Database menu, New DB Connection: the dialog opens on the data source box.
xdotool key alt+d
sleep 0.3
xdotool key Return
dialog=$(wait_window '^Select ODBC Data Source$') || fail "no connection dialog"
focus "$dialog"
xdotool type --delay 5 "Driver=SQLite3;Database=$work/demo.db;"
import -window root "$out/journey-dialog.png"
xdotool key Return
wait_window '^Kx - Querolt - \[demo\.db\]$' >/dev/null || fail "the demo connection is not current"
focus "$main"

# File menu, Load Script File: type the path into the file dialog.
xdotool key alt+f
sleep 0.3
xdotool key Return
files=$(wait_window '^Load SQL Script$') || fail "no file dialog"
focus "$files"
xdotool type --delay 5 "$script"
xdotool key Return
sleep 0.5
focus "$main"

# F6 makes the first statement current, Ctrl+E runs it, Ctrl+H runs the rest.
xdotool key F6
sleep 0.3
xdotool key ctrl+e
sleep 1
import -window root "$out/journey-first-run.png"

# A setting that takes effect at once: Windows menu, Show/Hide Settings Window, the even-row
# colour typed by name, Escape hides the window; the grid's second row is yellow at once.
pixel() { # the colour of the screen at X Y as R,G,B
  import -window root "$work/pixel.png"
  convert "$work/pixel.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}
even_x=240 even_y=446
xdotool key alt+w
sleep 0.3
xdotool key Down Return
settings=$(wait_window '^Settings$') || fail "no settings window"
focus "$settings"
xdotool key alt+e
xdotool type --delay 5 "Yellow"
sleep 0.3
import -window root "$out/journey-settings.png"
xdotool key Escape
sleep 0.3
focus "$main"
[ "$(pixel $even_x $even_y)" = "255,255,0" ] || fail "the even rows are not yellow: $(pixel $even_x $even_y)"

# The grid, by mouse where a user uses the mouse. Without a window manager the window sits at
# the screen's origin, so these are window coordinates: the title bar of the grid, its first
# two rows, the name column, and the navigator's Delete button.
title_y=406 row1_y=426 row2_y=446 id_x=40 name_x=170 delete_x=152 navigator_y=664
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.4; }
sql() { sqlite3 "$work/demo.db" "$1"; }

# The result is sorted by product_id ascending: a click on its title makes it descending.
click "$id_x" "$title_y"
sleep 0.5
# Edit the first row's name by typing, Enter writes it, Down stores the row.
click "$name_x" "$row1_y"
xdotool type --delay 5 "Edited"
xdotool key Return
sleep 0.3
xdotool key Down
sleep 0.5
[ "$(sql 'SELECT name FROM products WHERE product_id = 120')" = "Edited" ] ||
  fail "the edited name was not stored: $(sql 'SELECT name FROM products WHERE product_id = 120')"
# Delete the second row (product 119) with the navigator; the question gets Yes.
click "$name_x" "$row2_y"
click "$delete_x" "$navigator_y"
question=$(wait_window '^Confirm$') || fail "no question before deleting"
focus "$question"
xdotool key Return
sleep 0.5
focus "$main"
[ "$(sql 'SELECT count(*) FROM products WHERE product_id = 119')" = "0" ] || fail "product 119 was not deleted"
[ "$(sql 'SELECT count(*) FROM products')" = "119" ] || fail "not exactly one row was deleted"
# Two rows selected (a click and a Ctrl+click), Alt+C copies them with the field names.
click "$name_x" "$row1_y"
xdotool mousemove "$name_x" "$row2_y" keydown ctrl click 1 keyup ctrl
sleep 0.3
xdotool key alt+c
sleep 0.5
expected=$(printf 'product_id\tname\tprice\r\n'; sqlite3 -separator $'\t' -newline $'\r\n' "$work/demo.db" \
  'SELECT product_id, name, price FROM products ORDER BY product_id DESC LIMIT 2')
copied=$(xclip -o -selection clipboard)
[ "$copied" = "${expected%$'\r'}" ] || [ "$copied" = "$expected" ] ||
  fail "the clipboard holds $(printf %q "$copied"), not $(printf %q "$expected")"
import -window root "$out/journey-edited.png"

# Database menu, Show DB Schema: the schema window docks on the left. Edit Data on products
# (a click and Enter; the default recordset properties are confirmed with Enter) docks a data
# window at the bottom; a name typed there is stored at once.
xdotool key alt+d
sleep 0.3
xdotool key Down Down Return
sleep 1.5
tree_x=92 products_y=166 data_name_x=170 data_row2_y=504 data_empty_x=450
click "$tree_x" "$products_y"
xdotool key Return
properties=$(wait_window '^Recordset Properties$') || fail "no recordset properties before Edit Data"
focus "$properties"
xdotool key Return
sleep 1
focus "$main"
click "$data_name_x" "$data_row2_y"
xdotool type --delay 5 "Dock edit"
xdotool key Return
sleep 0.3
xdotool key Down
sleep 0.5
[ "$(sql 'SELECT name FROM products WHERE product_id = 2')" = "Dock edit" ] ||
  fail "the data window's edit was not stored: $(sql 'SELECT name FROM products WHERE product_id = 2')"
[ "$(pixel $data_empty_x $data_row2_y)" = "255,255,0" ] || fail "the data window's even rows are not yellow"
import -window root "$out/journey-schema.png"
focus "$main"
xdotool key ctrl+h
sleep 1
xdotool key ctrl+q
wait_exit || fail "the program did not end on Ctrl+Q"

[ "$(setting CurrentScriptFileName)" = "$script" ] || fail "the script file was not kept: $(setting CurrentScriptFileName)"
[ "$(setting CurrentConnectionName)" = "$work/demo.db" ] || fail "the connection was not kept: $(setting CurrentConnectionName)"
setting SQLActive | grep -qiE '^(1|true|-1)$' || fail "the open result was not kept"
[ "$(setting DataGridEvenRowColor)" = "65535" ] || fail "the even-row colour was not kept: $(setting DataGridEvenRowColor)"
grep -aq 'SQLDataGrid\\customer_count\]' "$KX_SETTINGS_FILE" || fail "the grid showed no customer_count column"
grep -aq '^ClassName=TKxIDataEditFrame' "$KX_SETTINGS_FILE" || fail "the data window was not kept"
grep -aq '^ClassName=TKxODBCSchemaTreeFrame' "$KX_SETTINGS_FILE" || fail "the schema window was not kept"

# ---- second start: the same connection, script and open result
"$program" &
pid=$!
main=$(wait_window '^Kx - Querolt - \[demo\.db\]$') || fail "the connection was not restored"
sleep 1.5
import -window root "$out/journey-restored.png"
# The schema and data windows are back; the data window shows the stored edit, its even rows
# still in the colour chosen before the restart.
[ "$(pixel $data_empty_x $data_row2_y)" = "255,255,0" ] || fail "the data window did not come back yellow"
click "$data_name_x" "$data_row2_y"
xdotool key alt+c
sleep 0.5
restored=$(xclip -o -selection clipboard)
[[ "$restored" == *$'\tDock edit\t'* ]] || fail "the restored data window does not show the edit"
focus "$main"
xdotool key ctrl+q
wait_exit || fail "the program did not end on Ctrl+Q"
[ "$(setting CurrentScriptFileName)" = "$script" ] || fail "the script was not restored"
setting SQLActive | grep -qiE '^(1|true|-1)$' || fail "the result was not open again after the restart"
echo "journey: passed; screenshots in $out"
