#!/usr/bin/env bash
# Load on loopback: listing a 100-entry folder, opening and saving a 10 KB note through
# quillbox-server, and nginx serving a 10 KB static file, with 1, 8, 64 and 512 clients;
# then listing with 8 clients while 1000 idle and 64 slow (one byte a second) connections
# are held open. Every request has 10 s before it counts as a failure (timeouts=).
# Then saving with versions kept beside a second server that keeps none (--keep-days 0),
# in turns, and listing a note's 50 versions.
# Then the backends side by side, 64 clients listing, opening and saving: SQLite, PostgreSQL
# with one server process, and PostgreSQL with two processes on one database (the clients
# take the two in turn). PostgreSQL runs from a cluster made for the run in its temporary
# folder (as "nobody" when run as root), on a unix socket only.
# Needs nginx and postgresql. Usage: bench/server_bench.sh [SECONDS] [backends]
# ("backends" runs only the side-by-side part).
# QUILLBOX_SERVER=path runs another build of the server (see bench/lib.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
part=${2:-all}
source bench/lib.sh
loader=$build/bench/server_load
# Failures are reported in the figures; they do not stop the run.
load() { "$loader" "$@" || true; }
bench_cleanup_more() {
    [ -f "$work/pg/data/postmaster.pid" ] && ${runas:-} "$pgbin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null || true
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
    [ -n "${cg:-}" ] && rmdir "$cg/qb-bench-$$-1" "$cg/qb-bench-$$-2" 2>/dev/null || true
}

port=$((20000 + RANDOM % 20000))
# An account of its own: the shared account limits notes to 10000 characters.
token=$($cli token --account bench)
note=$(head -c 7500 /dev/urandom | base64 -w 72 | tr '+/' '_-')=
# seed BASE: 100 notes in the account's top folder.
seed() {
    for i in $(seq 100); do
        curl -sf --data-binary "ID=$token&DIR=&FILE=note$i.rtf&LOCK=0&DATA=$note" $1/qbsave.pl >/dev/null
    done
}
start_server $port "$work/bench.db"
base=http://127.0.0.1:$port/Buffer/Buffer0000/bin
seed $base
printf 'ID=%s&DIR=' "$token" > "$work/list.body"
printf 'ID=%s&FILE=/note1.rtf&LOCK=' "$token" > "$work/open.body"
printf 'ID=%s&DIR=&FILE=bench.rtf&LOCK=0&DATA=%s' "$token" "$note" > "$work/save.body"
# The same save with another text: an update that changes nothing writes no page.
other=$(head -c 7500 /dev/urandom | base64 -w 72 | tr '+/' '_-')=
printf 'ID=%s&DIR=&FILE=bench.rtf&LOCK=0&DATA=%s' "$token" "$other" > "$work/save2.body"
echo "note text: $(printf %s "$note" | wc -c) bytes"

if [ "$part" = all ]; then
    nport=$((port + 1))
    mkdir -p "$work/www"
    head -c 10240 /dev/urandom > "$work/www/file10k"
    cat > "$work/nginx.conf" <<CONF
    worker_processes 2;
    pid $work/nginx.pid;
    error_log $work/nginx-error.log;
    events { worker_connections 1024; }
    http {
        access_log off;
        client_body_temp_path $work; proxy_temp_path $work; fastcgi_temp_path $work;
        uwsgi_temp_path $work; scgi_temp_path $work;
        server { listen 127.0.0.1:$nport; root $work/www; }
    }
CONF
    nginx -c "$work/nginx.conf"
    until curl -sf http://127.0.0.1:$nport/file10k >/dev/null; do sleep 0.1; done

    for clients in 1 8 64 512; do
        echo "== $clients clients, $seconds s each"
        printf 'list 100 entries  '; load --url $base/qbdir.pl --body-file "$work/list.body" --clients $clients --seconds "$seconds" --expect OK
        printf 'open 10 KB note   '; load --url $base/qbopen.pl --body-file "$work/open.body" --clients $clients --seconds "$seconds" --expect "OK "
        printf 'save 10 KB note   '; load --url $base/qbsave.pl --body-file "$work/save.body" --clients $clients --seconds "$seconds" --expect OK
        printf 'nginx 10 KB file  '; load --url http://127.0.0.1:$nport/file10k --clients $clients --seconds "$seconds"
    done

    echo "== 8 clients listing beside 1000 idle and 64 slow connections, $seconds s"
    printf 'list 100 entries  '; load --url $base/qbdir.pl --body-file "$work/list.body" --clients 8 --seconds "$seconds" --expect OK --hold-idle 1000 --hold-slow 64

    # The same saves on a server that keeps no history: within 15% of the one that does.
    pport=$((port + 4))
    start_server $pport "$work/plain.db" --keep-days 0
    pbase=http://127.0.0.1:$pport/Buffer/Buffer0000/bin
    for i in $(seq 26); do
        for body in save save2; do
            curl -sf --data-binary "@$work/$body.body" $base/qbsave.pl >/dev/null
            curl -sf --data-binary "@$work/$body.body" $pbase/qbsave.pl >/dev/null
        done
    done
    for clients in 1 8 64; do
        echo "== saving with and without versions, $clients clients, $seconds s each, in turns"
        for round in 1 2; do
            printf 'save, versions    '; load --url $base/qbsave.pl --body-file "$work/save.body" --body-file "$work/save2.body" \
                --clients $clients --seconds "$seconds" --expect OK
            printf 'save, no versions '; load --url $pbase/qbsave.pl --body-file "$work/save.body" --body-file "$work/save2.body" \
                --clients $clients --seconds "$seconds" --expect OK
        done
    done
    printf 'ID=%s&FILE=/bench.rtf' "$token" > "$work/versions.body"
    echo "versions of bench.rtf: $(curl -sf --data-binary "@$work/versions.body" $base/qbversions.pl | tail -n +2 | wc -l)"
    echo "== listing a note's 50 versions, 1 client, $seconds s"
    printf 'list 50 versions  '; load --url $base/qbversions.pl --body-file "$work/versions.body" --clients 1 --seconds "$seconds" --expect OK
fi

# The backends side by side.
pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
mkdir -p "$work/pg"
runas=""
if [ "$(id -u)" -eq 0 ]; then # PostgreSQL refuses to run as root
    chmod 755 "$work"
    chown nobody "$work/pg"
    runas="runuser -u nobody --"
fi
$runas "$pgbin/initdb" -D "$work/pg/data" -U quillbox --auth=trust -E UTF8 --locale=C >/dev/null
$runas "$pgbin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w \
    -o "-k $work/pg -c listen_addresses= -c max_connections=100" start >/dev/null
conninfo="host=$work/pg port=5432 user=quillbox dbname=postgres"
pg1=$((port + 2)) pg2=$((port + 3))
start_server $pg1 "$conninfo"
start_server $pg2 "$conninfo"
seed http://127.0.0.1:$pg1/Buffer/Buffer0000/bin

# ticks PID...: the CPU time (user and system, in clock ticks) the processes have used.
ticks() {
    local total=0 pid
    for pid in "$@"; do
        [ -r /proc/$pid/stat ] || continue
        set -- $(sed 's/.*) //' /proc/$pid/stat)
        total=$((total + ${12} + ${13}))
    done
    echo $total
}
postmaster=$(head -1 "$work/pg/data/postmaster.pid")
pg_processes() { echo $postmaster $(pgrep -P $postmaster); }
hz=$(getconf CLK_TCK)

# compare NAME PIDS URL...: the three requests with 64 clients, each URL taking its share;
# then the CPU milliseconds a request cost the server processes (PIDS, comma-separated) and
# PostgreSQL.
compare() {
    local name=$1 pids=${2//,/ } script
    shift 2
    for script in list open save; do
        local urls=() url
        for url in "$@"; do urls+=(--url "$url/qb$([ $script = list ] && echo dir || echo $script).pl"); done
        printf '%-22s %-5s ' "$name" "$script"
        local before=$(ticks $pids) pgbefore=$(ticks $(pg_processes))
        local out
        out=$(load "${urls[@]}" --body-file "$work/$script.body" --clients 64 --seconds "$seconds" \
            --expect "$([ $script = open ] && echo 'OK ' || echo OK)")
        local requests=$(sed -n 's/.*requests=\([0-9]*\).*/\1/p' <<<"$out")
        local server=$(( ($(ticks $pids) - before) * 1000000 / hz / (requests > 0 ? requests : 1) ))
        local pg=$(( ($(ticks $(pg_processes)) - pgbefore) * 1000000 / hz / (requests > 0 ? requests : 1) ))
        printf '%s cpu/request: server=%dus postgresql=%dus\n' "$out" $server $pg
    done
}
url() { echo http://127.0.0.1:$1/Buffer/Buffer0000/bin; }
echo "== backends, 64 clients, $seconds s each"
compare "SQLite" ${servers[0]} $base
compare "PostgreSQL, 1 process" ${servers[-2]} $(url $pg1)
compare "PostgreSQL, 2 process" ${servers[-2]},${servers[-1]} $(url $pg1) $(url $pg2)

# Server processes on machines of their own, each with a share of a core: a CPU quota per
# process (cgroup v1's cpu controller, when this machine lets us make a group) stands in for
# the machine, while PostgreSQL and the load tool keep the rest of the cores.
quota=${QUILLBOX_BENCH_QUOTA:-0.4}
cg=/sys/fs/cgroup/cpu
if mkdir "$cg/qb-bench-$$-1" 2>/dev/null && mkdir "$cg/qb-bench-$$-2" 2>/dev/null; then
    for i in 1 2; do
        awk -v q=$quota 'BEGIN { printf "%d\n", q * 100000 }' > "$cg/qb-bench-$$-$i/cpu.cfs_quota_us"
    done
    echo ${servers[-2]} > "$cg/qb-bench-$$-1/cgroup.procs"
    echo ${servers[-1]} > "$cg/qb-bench-$$-2/cgroup.procs"
    echo "== each server process held to $quota of a core, 64 clients, $seconds s each"
    compare "PostgreSQL, 1 process" ${servers[-2]} $(url $pg1)
    compare "PostgreSQL, 2 process" ${servers[-2]},${servers[-1]} $(url $pg1) $(url $pg2)
    # Out of the groups, so that they can go.
    for pid in ${servers[-2]} ${servers[-1]}; do echo $pid > "$cg/cgroup.procs"; done
fi
