#!/usr/bin/env bash
# Usage: examples/build-demo-db.sh TARGET.db
# Builds the demo SQLite database from demo_database.sql into TARGET.db (replacing it).
set -euo pipefail
target=${1:?usage: $0 TARGET.db}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$(dirname "$target")"
tmp="$target.building"
rm -f "$tmp"
sqlite3 -bail "$tmp" <"$here/demo_database.sql"
mv -f "$tmp" "$target"
echo "demo database: $target ($(sqlite3 "$target" 'SELECT count(*) FROM orders') orders)"
