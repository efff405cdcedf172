#!/usr/bin/env bash
# Load on loopback: listing a 100-entry folder, opening and saving a 10 KB note through
# quillbox-server, and nginx serving a 10 KB static file, with 1, 8, 64 and 512 clients;
# then listing with 8 clients while 1000 idle and 64 slow (one byte a second) connections
# are held open. Every request has 10 s before it counts as a failure (timeouts=).
# Needs nginx (apt-get install nginx-light). Usage: bench/server_bench.sh [SECONDS]
# QUILLBOX_SERVER=path runs another build of the server (e.g. an older one, to compare).
# Then saving with versions kept beside a second server that keeps none (--keep-days 0),
# in turns, and listing a note's 50 versions.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
build=build/default
loader=$build/bench/server_load
# Failures are reported in the figures; they do not stop the run.
load() { "$loader" "$@" || true; }
cli=$build/cli/quillbox-cli
work=$(mktemp -d)
cleanup() {
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
    [ -n "${plain:-}" ] && kill "$plain" 2>/dev/null || true
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$((20000 + RANDOM % 20000))
${QUILLBOX_SERVER:-$build/server/quillbox-server} --listen 127.0.0.1:$port --db "$work/bench.db" --quiet 2>"$work/server.log" &
server=$!
until curl -sf http://127.0.0.1:$port/UserGuide.htm >/dev/null; do sleep 0.1; done
base=http://127.0.0.1:$port/Buffer/Buffer0000/bin
# An account of its own: the shared account limits notes to 10000 characters.
token=$($cli token --account bench)
note=$(head -c 7500 /dev/urandom | base64 -w 72 | tr '+/' '_-')=
for i in $(seq 100); do
    curl -sf --data-binary "ID=$token&DIR=&FILE=note$i.rtf&LOCK=0&DATA=$note" $base/qbsave.pl >/dev/null
done
printf 'ID=%s&DIR=' "$token" > "$work/list.body"
printf 'ID=%s&FILE=/note1.rtf&LOCK=' "$token" > "$work/open.body"
printf 'ID=%s&DIR=&FILE=bench.rtf&LOCK=0&DATA=%s' "$token" "$note" > "$work/save.body"
# The same save with another text: an update that changes nothing writes no page.
other=$(head -c 7500 /dev/urandom | base64 -w 72 | tr '+/' '_-')=
printf 'ID=%s&DIR=&FILE=bench.rtf&LOCK=0&DATA=%s' "$token" "$other" > "$work/save2.body"
echo "note text: $(printf %s "$note" | wc -c) bytes"

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
pport=$((port + 2))
${QUILLBOX_SERVER:-$build/server/quillbox-server} --listen 127.0.0.1:$pport --db "$work/plain.db" --keep-days 0 --quiet \
    2>"$work/plain.log" &
plain=$!
until curl -sf http://127.0.0.1:$pport/UserGuide.htm >/dev/null; do sleep 0.1; done
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
