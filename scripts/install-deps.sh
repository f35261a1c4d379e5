#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and nothing else.
# Idempotent: packages already present are left alone, and the package lists are only
# refreshed when something is actually missing. Works as root or through sudo.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build ccache pkg-config clang-format
  # Qt 6: core, widgets, print support and D-Bus come with qt6-base-dev; the platform
  # plugins (xcb for a real display, offscreen for headless tests) live apart
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
  # character widths for the batch runner's tables (Qt is built on it too)
  libicu-dev
  # ODBC driver manager and the two real drivers the tests use
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql
  # test database server and the sqlite3 shell (demo database, benchmarks)
  postgresql postgresql-client sqlite3
  # compression and the password cipher
  zlib1g-dev libssl-dev
  # tests and benchmarks; clang with its libFuzzer and sanitizer runtimes for the fuzz targets
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # looking at windows headless
  xvfb xauth x11-utils imagemagick
  # driving the window with real input events in the journey test
  xdotool xclip
  # a private session bus and a D-Bus client for the automation tests
  dbus-daemon libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
