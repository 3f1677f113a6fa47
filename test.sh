#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs the whole test suite.
# Extra arguments go to ctest (for example: ./test.sh -R dbserver).
set -uo pipefail
cd "$(dirname "$(readlink -f "$0")")"

fail() { echo "test.sh: $*" >&2; exit 1; }

./scripts/install-deps.sh || fail "instalacija potrebnih paketa nije uspela (scripts/install-deps.sh)"
cmake -S . -B build -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
  || fail "podešavanje izgradnje (cmake) nije uspelo; pokrenite 'cmake -S . -B build' za detalje"
cmake --build build -j2 || fail "izgradnja nije uspela (greške kompajlera su iznad)"
cd build || fail "nema direktorijuma build/"
ctest --output-on-failure -j2 "$@" || fail "neki testovi nisu prošli (detalji su iznad)"
echo "test.sh: svi testovi su prošli"
