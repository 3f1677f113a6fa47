#!/usr/bin/env bash
# Installs what is missing, builds in build/, starts the private database server in a
# per-user data directory and creates the database 'parking' with demo data on first run.
set -uo pipefail
cd "$(dirname "$(readlink -f "$0")")"

fail() { echo "run.sh: $*" >&2; exit 1; }

DATA_DIR="${PARKING_DATA_DIR:-${HOME:-/tmp}/.local/share/parking/db}"
DATABASE=parking
SERVER=build/bin/parking-dbserver

./scripts/install-deps.sh || fail "instalacija potrebnih paketa nije uspela (scripts/install-deps.sh)"
cmake -S . -B build -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
  || fail "podešavanje izgradnje (cmake) nije uspelo; pokrenite 'cmake -S . -B build' za detalje"
cmake --build build -j2 || fail "izgradnja nije uspela (greške kompajlera su iznad)"

mkdir -p "$DATA_DIR" || fail "ne mogu da napravim direktorijum $DATA_DIR"
"$SERVER" start "$DATA_DIR" || fail "server baze podataka nije pokrenut"
"$SERVER" createdb "$DATA_DIR" "$DATABASE" --demo || fail "baza '$DATABASE' nije napravljena"

cat <<INFO
Baza '$DATABASE' radi u $DATA_DIR (nalog baze parking_app, lozinka u $DATA_DIR/app.password).
Demo korisnici (postoje samo u ovoj demo bazi; korisničko ime / lozinka):
  admin  / admin123   (Administrator Sistema)
  marko  / marko123   (Marko Petrović)
  jelena / jelena123  (Jelena Nikolić)
Server se zaustavlja sa: $SERVER stop "$DATA_DIR"
INFO

# --- console launch -------------------------------------------------------------
# The console connects to the same private server (it reuses a running one).
export PARKING_DATA_DIR="$DATA_DIR"
CONSOLE=build/bin/parking-console
if [ -x "$CONSOLE" ]; then
  exec "$CONSOLE" "$@"
fi
echo "run.sh: konzola ($CONSOLE) još nije izgrađena; server ostaje pokrenut."
