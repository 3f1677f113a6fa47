#!/usr/bin/env bash
# Installs the Debian packages the build, the console and the tests need, when any is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-charts-dev libqt6opengl6-dev libgl-dev
  libmariadb-dev mariadb-server-core mariadb-client mariadb-backup
  libsodium-dev
  openssl ca-certificates
  fonts-dejavu-core
  galera-4 mariadb-server rsync socat stunnel4
  ccache
  lintian
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The Serbian Latin locale, only for the benchmarks that set the start-stop order beside
# GNU sort under it; without root or sudo the benchmark says it is missing and goes on.
serbian_locale() {
  locale -a 2>/dev/null | grep -qix 'sr_RS.utf8@latin' && return 0
  [ -z "$SUDO" ] || command -v sudo >/dev/null || { echo "install-deps: sr_RS.UTF-8@latin not generated (no sudo)" >&2; return 0; }
  grep -qx 'sr_RS.UTF-8@latin UTF-8' /etc/locale.gen 2>/dev/null \
    || echo 'sr_RS.UTF-8@latin UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen --keep-existing >/dev/null || echo "install-deps: locale-gen failed" >&2
}

if [ ${#missing[@]} -eq 0 ]; then
  serbian_locale
  exit 0
fi

if [ -n "$SUDO" ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || { echo "install-deps: apt-get update failed" >&2; exit 1; }
# mariadb-server (wanted for the cluster's state-transfer scripts) must not start a system
# server while it is installed: a policy-rc.d that refuses every start, removed afterwards.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null && $SUDO chmod 755 "$policy" && own_policy=1
fi
remove_policy() { [ -z "$own_policy" ] || $SUDO rm -f "$policy"; }
trap remove_policy EXIT
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" \
  || { echo "install-deps: apt-get install failed for: ${missing[*]}" >&2; exit 1; }
serbian_locale
