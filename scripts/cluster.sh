#!/usr/bin/env bash
# scripts/cluster.sh start|stop|status|kill DIR [NODE]
# A three-node MariaDB Galera cluster on 127.0.0.1 for tests and trials on one machine.
#   start   initialises DIR on the first run, starts every node that is not running (the first
#           one bootstraps when none runs, the others join) and waits until all three are
#           Synced in a cluster of 3.
#   stop    stops every node (the first one last, so it may bootstrap the next start).
#   status  prints each node's port, process and state.
#   kill N  kills node N (1-3) at once (SIGKILL), as a crashed machine would.
# Ports: client 3341-3343, Galera 4571-4573, incremental transfer 4581-4583, state transfer
# 4591-4593; PARKING_CLUSTER_PORT=P moves the client ports to P..P+2 and the others by as much.
# The nodes never run as root (the rsync state transfer fails then): invoked as root, they run
# as the system user 'mysql' (made when missing), which owns DIR.
# Accounts: the invoking OS user over each node's socket, and 'cluster_admin'@'127.0.0.1' with
# every right (password: first line of DIR/admin.password). DIR/cluster.ini names the nodes.
# TLS (unless PARKING_CLUSTER_TLS=off): a CA and a certificate for 127.0.0.1 and localhost in
# DIR/tls, made once; every node offers it to clients, the nodes' replication and IST run over
# it, and the state transfer's rsync runs through stunnel; DIR/cluster.ini names the CA (ca=).
set -euo pipefail

fail() { echo "cluster.sh: $*" >&2; exit 1; }
usage() { echo "Upotreba: cluster.sh start|stop|status DIR | cluster.sh kill DIR 1|2|3" >&2; exit 2; }

[ $# -ge 2 ] || usage
command=$1
mkdir -p "$2"
dir=$(readlink -f "$2")
base=${PARKING_CLUSTER_PORT:-3341}
[[ $base =~ ^[0-9]+$ ]] && [ "$base" -ge 1024 ] && [ "$base" -le 60000 ] || fail "neispravan PARKING_CLUSTER_PORT: $base"
shift_by=$((base - 3341))
nodes=(1 2 3)
provider=/usr/lib/galera/libgalera_smm.so
wait_seconds=${PARKING_CLUSTER_WAIT:-240}
tls=${PARKING_CLUSTER_TLS:-on}
[ "$tls" = on ] || [ "$tls" = off ] || fail "PARKING_CLUSTER_TLS mora biti on ili off, a ne: $tls"
tls_dir() { echo "$dir/tls"; }

client_port() { echo $((3340 + $1 + shift_by)); }
galera_port() { echo $((4570 + $1 + shift_by)); }
ist_port() { echo $((4580 + $1 + shift_by)); }
sst_port() { echo $((4590 + $1 + shift_by)); }
node_dir() { echo "$dir/node$1"; }
pid_of() {  # the pid of node N's server, when it runs
  local file pid
  file="$(node_dir "$1")/run.pid"
  [ -s "$file" ] || return 1
  pid=$(cat "$file")
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = mariadbd ] || return 1
  echo "$pid"
}

# The socket lives in DIR unless that path is too long for a Unix socket.
socket_dir() {
  if [ ${#dir} -le 80 ]; then
    echo "$dir"
  else
    local short
    short=$(cat "$dir/socket.dir" 2>/dev/null || true)
    if [ -z "$short" ] || [ ! -d "$short" ]; then
      short=$(mktemp -d /tmp/parking-cluster.XXXXXX)
      echo "$short" >"$dir/socket.dir"
    fi
    echo "$short"
  fi
}
socket_of() { echo "$(socket_dir)/node$1.sock"; }

# Who runs the nodes, and how a command is run as that user.
if [ "$(id -u)" -eq 0 ]; then
  run_user=mysql
  if ! id -u "$run_user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$run_user" \
      || fail "korisnik $run_user ne može da se napravi"
  fi
  runner=(setpriv --reuid="$run_user" --regid="$run_user" --init-groups --)
else
  run_user=$(id -un)
  runner=()
fi
as_runner() { "${runner[@]}" "$@"; }
admin_user=$(id -un)

sql() {  # sql NODE STATEMENT: runs as the invoking user over the node's socket
  mariadb --no-defaults -S "$(socket_of "$1")" -u "$admin_user" -N -B -e "$2"
}

write_config() {
  local n=$1 nd
  nd=$(node_dir "$n")
  local members="gcomm://127.0.0.1:$(galera_port 1),127.0.0.1:$(galera_port 2),127.0.0.1:$(galera_port 3)"
  local t ssl_options=""
  t=$(tls_dir)
  [ "$tls" = off ] || ssl_options=";socket.ssl_cert=$t/server.pem;socket.ssl_key=$t/server.key;socket.ssl_ca=$t/ca.pem"
  cat >"$nd/my.cnf" <<EOF
[mariadbd]
datadir=$nd/data
socket=$(socket_of "$n")
port=$(client_port "$n")
bind-address=127.0.0.1
pid-file=$nd/mysqld.pid
log-error=$nd/mysqld.log
tmpdir=$nd/tmp
secure-file-priv=$nd/tmp
skip-name-resolve
character-set-server=utf8mb4
collation-server=utf8mb4_unicode_ci
local-infile=ON
innodb_buffer_pool_size=128M
innodb_log_file_size=64M
innodb_flush_log_at_trx_commit=1
binlog_format=ROW
default_storage_engine=InnoDB
innodb_autoinc_lock_mode=2
max_connections=200
wsrep_on=ON
wsrep_provider=$provider
wsrep_cluster_name=parking_cluster
wsrep_cluster_address=$members
wsrep_node_name=node$n
wsrep_node_address=127.0.0.1:$(galera_port "$n")
wsrep_provider_options="gmcast.listen_addr=tcp://127.0.0.1:$(galera_port "$n");ist.recv_addr=127.0.0.1:$(ist_port "$n");gcache.size=128M$ssl_options"
wsrep_sst_method=rsync
wsrep_sst_receive_address=127.0.0.1:$(sst_port "$n")
EOF
  [ "$tls" = on ] || return 0
  # Clients may use TLS; the rsync state transfer reads these too and goes through stunnel,
  # checking the other node's certificate against the CA.
  cat >>"$nd/my.cnf" <<EOF
ssl-ca=$t/ca.pem
ssl-cert=$t/server.pem
ssl-key=$t/server.key

[sst]
ssl-mode=VERIFY_CA
EOF
}

make_certificates() {  # once: a CA and the nodes' certificate for 127.0.0.1 and localhost
  local t
  t=$(tls_dir)
  [ -s "$t/server.pem" ] && [ -s "$t/ca.pem" ] && [ -s "$t/server.key" ] && return 0
  mkdir -p "$t"
  (
    cd "$t"
    umask 077
    openssl req -x509 -newkey rsa:3072 -nodes -days 3650 -subj "/CN=Parking cluster CA" \
      -keyout ca.key -out ca.pem
    openssl req -newkey rsa:3072 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr
    printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
      -extfile server.ext -out server.pem
    rm -f server.csr
    chmod 644 ca.pem server.pem
  ) >"$dir/tls.log" 2>&1 || fail "sertifikati nisu napravljeni ($dir/tls.log)"
}

prepare() {
  [ -x "$provider" ] || [ -f "$provider" ] || fail "nema $provider; instalirajte galera-4 (scripts/install-deps.sh)"
  command -v wsrep_sst_rsync >/dev/null || fail "nema wsrep_sst_rsync; instalirajte mariadb-server"
  command -v rsync >/dev/null || fail "nema rsync"
  if [ "$tls" = on ]; then
    command -v stunnel >/dev/null \
      || fail "nema stunnel (šifrovan prenos stanja); instalirajte stunnel4 (scripts/install-deps.sh) ili PARKING_CLUSTER_TLS=off"
    command -v openssl >/dev/null || fail "nema openssl"
    make_certificates
  fi
  # The running user must reach DIR through every parent folder.
  if [ "$(id -u)" -eq 0 ]; then
    as_runner test -x "$(dirname "$dir")" || fail "korisnik $run_user ne može da pristupi $(dirname "$dir")"
  fi
  for n in "${nodes[@]}"; do
    mkdir -p "$(node_dir "$n")/tmp" "$(node_dir "$n")/data"
    write_config "$n"
  done
  if [ ! -s "$dir/admin.password" ]; then
    (umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$dir/admin.password")
  fi
  {
    echo "[cluster]"
    echo "hosts=127.0.0.1:$(client_port 1),127.0.0.1:$(client_port 2),127.0.0.1:$(client_port 3)"
    echo "user=cluster_admin"
    echo "password-file=$dir/admin.password"
    for n in "${nodes[@]}"; do echo "socket$n=$(socket_of "$n")"; done
    [ "$tls" = off ] || echo "ca=$(tls_dir)/ca.pem"
  } >"$dir/cluster.ini"
  chmod 700 "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R "$run_user:" "$dir"
    chown root: "$dir/admin.password" "$dir/cluster.ini"
    [ "$(socket_dir)" = "$dir" ] || chown "$run_user:" "$(socket_dir)"
    chmod 711 "$dir"  # the nodes' user needs only to pass; the files above stay root's
  fi
}

start_node() {  # start_node N bootstrap|join
  local n=$1 mode=$2 nd
  nd=$(node_dir "$n")
  local extra=()
  [ "$mode" = bootstrap ] && extra=(--wsrep-new-cluster)
  # A child that outlives this script: its own session, output to its log. setpriv and
  # setsid exec, so $! is the server itself (known before it writes its pid file).
  "${runner[@]}" setsid mariadbd --defaults-file="$nd/my.cnf" "${extra[@]}" \
    </dev/null >>"$nd/start.log" 2>&1 &
  echo $! >"$nd/run.pid"
  local deadline=$((SECONDS + 10))
  until pid_of "$n" >/dev/null; do  # until the exec chain has reached the server
    [ $SECONDS -lt $deadline ] || fail "čvor $n se nije pokrenuo ($nd/start.log)"
    sleep 0.05
  done
}

node_state() {  # prints "size state" of a running node, or nothing
  sql "$1" "SELECT (SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME='WSREP_CLUSTER_SIZE'), (SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME='WSREP_LOCAL_STATE_COMMENT')" 2>/dev/null | tr '\t' ' '
}

wait_until() {  # wait_until SECONDS WHAT COMMAND...: polls the command every 0.5 s
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.5
  done
  echo "cluster.sh: $what" >&2
}

node_synced() {
  pid_of "$1" >/dev/null || { gone=$1; return 0; }
  [[ "$(node_state "$1")" == *" Synced" ]]
}
all_synced() {  # every node's process first: a joiner that died ends the wait at once
  for n in "${nodes[@]}"; do
    pid_of "$n" >/dev/null || { gone=$n; return 0; }
  done
  for n in "${nodes[@]}"; do
    [ "$(node_state "$n")" = "3 Synced" ] || return 1
  done
}

show_log_tail() {  # show_log_tail [LINES [NODE...]]: the end of the nodes' logs
  local lines=${1:-8}
  shift || true
  local which=("$@")
  [ ${#which[@]} -gt 0 ] || which=("${nodes[@]}")
  for n in "${which[@]}"; do
    echo "--- node$n: $(node_dir "$n")/mysqld.log" >&2
    tail -n "$lines" "$(node_dir "$n")/mysqld.log" >&2 2>/dev/null || true
  done
}

gone=""
check_alive() {  # after a wait: a node whose process ended is an error, told with its log
  [ -z "$gone" ] || { show_log_tail 30 "$gone"; fail "čvor $gone se zaustavio tokom pokretanja"; }
}

bootstrap_node() {  # the node to bootstrap when none runs: one marked safe, else node 1
  for n in "${nodes[@]}"; do
    if grep -q '^safe_to_bootstrap: *1' "$(node_dir "$n")/data/grastate.dat" 2>/dev/null; then
      echo "$n"; return
    fi
  done
  echo 1
}

do_start() {
  prepare
  local running=()
  for n in "${nodes[@]}"; do pid_of "$n" >/dev/null && running+=("$n"); done
  if [ ${#running[@]} -eq 0 ]; then
    local first
    first=$(bootstrap_node)
    local fd
    fd="$(node_dir "$first")/data"
    if [ ! -d "$fd/mysql" ]; then
      as_runner mariadb-install-db --no-defaults --datadir="$fd" --auth-root-authentication-method=socket \
        --skip-test-db >"$(node_dir "$first")/install.log" 2>&1 \
        || fail "inicijalizacija čvora $first nije uspela ($(node_dir "$first")/install.log)"
    fi
    # A cluster stopped by a crash leaves no node marked safe; this is a test cluster.
    [ -f "$fd/grastate.dat" ] && as_runner sed -i 's/^safe_to_bootstrap: *0/safe_to_bootstrap: 1/' "$fd/grastate.dat"
    start_node "$first" bootstrap
    wait_until "$wait_seconds" "čvor $first je pokrenut" node_synced "$first" \
      || { show_log_tail; fail "čvor $first se nije pokrenuo za $wait_seconds s"; }
    check_alive
    running+=("$first")
  fi
  for n in "${nodes[@]}"; do
    if ! pid_of "$n" >/dev/null; then
      start_node "$n" join
    fi
  done
  wait_until "$wait_seconds" "sva tri čvora su sinhronizovana" all_synced \
    || { show_log_tail; fail "čvorovi nisu sinhronizovani za $wait_seconds s"; }
  check_alive
  # On every start, so that a start cut short after the bootstrap leaves no cluster without it.
  local password
  password=$(head -n1 "$dir/admin.password")
  sql 1 "CREATE USER IF NOT EXISTS 'cluster_admin'@'127.0.0.1' IDENTIFIED BY '$password';
         ALTER USER 'cluster_admin'@'127.0.0.1' IDENTIFIED BY '$password';
         GRANT ALL PRIVILEGES ON *.* TO 'cluster_admin'@'127.0.0.1' WITH GRANT OPTION;" \
    || fail "nalog cluster_admin nije napravljen"
}

do_stop() {
  for n in 3 2 1; do
    local pid
    pid=$(pid_of "$n") || continue
    kill -TERM "$pid"
    local deadline=$((SECONDS + 120))
    while kill -0 "$pid" 2>/dev/null; do
      [ $SECONDS -lt $deadline ] || { kill -KILL "$pid" 2>/dev/null || true; break; }
      sleep 0.2
    done
  done
}

do_status() {
  for n in "${nodes[@]}"; do
    local pid state
    if pid=$(pid_of "$n"); then
      state=$(node_state "$n")
      echo "node$n 127.0.0.1:$(client_port "$n") pid $pid: ${state:-ne odgovara}"
    else
      echo "node$n 127.0.0.1:$(client_port "$n"): zaustavljen"
    fi
  done
}

do_kill() {
  local n=${1:-}
  [[ $n =~ ^[123]$ ]] || usage
  local pid
  pid=$(pid_of "$n") || fail "čvor $n ne radi"
  kill -KILL "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
}

case "$command" in
  start) do_start ;;
  stop) do_stop ;;
  status) do_status ;;
  kill) do_kill "${3:-}" ;;
  *) usage ;;
esac
