#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs the whole test suite.
# Extra arguments go to ctest (for example: ./test.sh -R dbserver).
# ./test.sh --sanitize builds in build-asan with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer and runs the whole suite there.
# ./test.sh --cluster builds in build/ and runs only the cluster suite (three Galera nodes
# that scripts/cluster.sh starts in build/cluster); the other runs leave it out.
set -uo pipefail
cd "$(dirname "$(readlink -f "$0")")"

fail() { echo "test.sh: $*" >&2; exit 1; }

builddir=build
flags=()
selection=()
if [ "${1:-}" = "--cluster" ]; then
  shift
  export PARKING_CLUSTER_TESTS=1
  selection=(-L cluster)
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
elif [ "${1:-}" = "--sanitize" ]; then
  shift
  builddir=build-asan
  sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$sanitizers" "-DCMAKE_C_FLAGS=$sanitizers"
         "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
         "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined")
  if command -v ccache >/dev/null; then
    flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  # Leaks are errors, and nothing is suppressed.
  export ASAN_OPTIONS="detect_leaks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

./scripts/install-deps.sh || fail "instalacija potrebnih paketa nije uspela (scripts/install-deps.sh)"
cmake -S . -B "$builddir" -G "Unix Makefiles" "${flags[@]}" >/dev/null \
  || fail "podešavanje izgradnje (cmake) nije uspelo; pokrenite 'cmake -S . -B $builddir' za detalje"
cmake --build "$builddir" -j2 || fail "izgradnja nije uspela (greške kompajlera su iznad)"
cd "$builddir" || fail "nema direktorijuma $builddir/"
ctest --output-on-failure -j2 "${selection[@]}" "$@" || fail "neki testovi nisu prošli (detalji su iznad)"
echo "test.sh: svi testovi su prošli"
