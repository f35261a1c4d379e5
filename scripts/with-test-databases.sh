#!/usr/bin/env bash
# Usage: scripts/with-test-databases.sh COMMAND [ARGS...]
#
# Runs COMMAND with the test databases in reach and tears them down afterwards, whatever
# COMMAND does:
#   - a throwaway PostgreSQL 15 cluster (initdb in a temporary directory, loopback only, a
#     free port, trust authentication), announced to the tests as the DSN-less connection
#     string in KX_TEST_PG_CONNECT (without a Database key: tests create their own);
#   - a private ODBC configuration (ODBCSYSINI/ODBCINI pointing into the same temporary
#     directory) that registers the SQLite3 and PostgreSQL drivers by absolute path, so the
#     tests neither read nor write /etc/odbc*.ini;
#   - KX_TEST_PG_SERVER_CONTROL, a command that stops (stop) and starts (start) that server,
#     for the tests of a server that goes away in the middle of the work.
# SQLite tests need no server: they open temporary database files (Driver=SQLite3;Database=…).
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

pg_bin=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null || true)
[ -x "$pg_bin/initdb" ] || { echo "with-test-databases: PostgreSQL 15 is not installed (scripts/install-deps.sh)" >&2; exit 1; }

work=$(mktemp -d /tmp/kx-testdb.XXXXXX)
chmod 755 "$work"
data="$work/pg"
log="$work/postgres.log"

# PostgreSQL refuses to run as root; as root the cluster belongs to the postgres account.
as_pg=()
if [ "$(id -u)" -eq 0 ]; then
  mkdir -p "$data"
  chown postgres: "$work" "$data"
  as_pg=(runuser -u postgres --)
fi

cleanup() {
  local rc=$?
  if [ -f "$data/postmaster.pid" ]; then
    "${as_pg[@]}" "$pg_bin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
  exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"${as_pg[@]}" "$pg_bin/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
  --no-sync >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log" >&2; exit 1; }

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start_server() {
  "${as_pg[@]}" "$pg_bin/pg_ctl" -D "$data" -l "$log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $1 -k $work -c fsync=off -c full_page_writes=off" \
    start >/dev/null 2>&1
}

# Try ports from a random start until the server comes up on one nobody else holds.
port=$(( 20000 + RANDOM % 20000 ))
started=
for attempt in $(seq 1 20); do
  if ! port_in_use "$port" && start_server "$port"; then
    started=1
    break
  fi
  port=$(( port + 1 + RANDOM % 97 ))
done
[ -n "$started" ] || { echo "with-test-databases: PostgreSQL did not start" >&2; cat "$log" >&2 || true; exit 1; }

# The outage tests stop the server as an administrator would (fast shutdown: sessions are
# ended, nothing waits for clients) and start it again on the same port. The tests run one
# at a time, so no other test sees the server gone.
control="$work/server-control"
pg_ctl=$(printf '%q ' "${as_pg[@]}" "$pg_bin/pg_ctl")
{
  echo '#!/usr/bin/env bash'
  echo 'set -eu'
  echo 'case "${1:-}" in'
  printf '  stop) exec %s-D %q -m fast -w -t 60 stop >/dev/null ;;\n' "$pg_ctl" "$data"
  printf '  start) exec %s-D %q -l %q -w -t 60 -o %q start >/dev/null ;;\n' "$pg_ctl" "$data" \
    "$log" "-c listen_addresses=127.0.0.1 -p $port -k $work -c fsync=off -c full_page_writes=off"
  echo '  *) echo "usage: $0 stop|start" >&2; exit 2 ;;'
  echo 'esac'
} >"$control"
chmod 755 "$control"

# Private ODBC configuration: the drivers by absolute path, no data sources.
odbc_dir="$work/odbc"
mkdir -p "$odbc_dir"
driver_path() { ls /usr/lib/*/odbc/"$1" 2>/dev/null | head -n 1; }
cat >"$odbc_dir/odbcinst.ini" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$(driver_path libsqlite3odbc.so)

[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode version)
Driver=$(driver_path psqlodbcw.so)

[PostgreSQL ANSI]
Description=PostgreSQL ODBC driver (ANSI version)
Driver=$(driver_path psqlodbca.so)
INI
: >"$odbc_dir/odbc.ini"

export ODBCSYSINI="$odbc_dir"
export ODBCINSTINI="odbcinst.ini"
export ODBCINI="$odbc_dir/odbc.ini"
export KX_TEST_PG_CONNECT="Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=$port;Uid=postgres;Pwd=;"
export KX_TEST_PG_SERVER_CONTROL="$control"

echo "with-test-databases: PostgreSQL on 127.0.0.1:$port, ODBC configuration in $odbc_dir"
"$@"
