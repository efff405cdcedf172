#!/usr/bin/env bash
# Peak resident memory of quillbox-server under two memory attacks on loopback:
#  1. 8 listings at once, each with an 8 MiB DIR path;
#  2. one ~385 KB listing read under 2048 letter-case spellings of its path.
# Prints VmHWM (peak RSS) after each step. Usage: bench/server_memory.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

port=$(free_port)
start_server $port "$work/mem.db"
server=${servers[-1]}
base=http://127.0.0.1:$port/Buffer/Buffer0000/bin
token=$($cli token --account memory)
peak() { echo "$1: $(grep VmHWM /proc/$server/status | tr -s ' ')"; }
peak "started"

# 1. Paths of 8 MiB (less the other fields), eight at once.
{ printf 'ID=%s&DIR=' "$token"; head -c $((8 * 1024 * 1024 - 400)) /dev/zero | tr '\0' 'a' | sed 's/a\{2\}/\/a/g'; } \
    > "$work/long.body"
for i in $(seq 8); do
    curl -s --data-binary @"$work/long.body" $base/qbdir.pl -o /dev/null &
done
wait %2 %3 %4 %5 %6 %7 %8 %9 2>/dev/null || true
peak "8 listings with 8 MiB paths"

# 2. A folder whose listing is about 385 KB, read under 2048 spellings of its path.
curl -sf --data-binary "ID=$token&DIR=" $base/qbnewdir.pl >/dev/null
curl -sf --data-binary "ID=$token&DIR=&FROM=New Folder&TO=folderpath" $base/qbrename.pl >/dev/null
long=$(printf 'n%.0s' $(seq 180))
for i in $(seq 2000); do
    printf 'ID=%s&DIR=/folderpath&FILE=%s%d&LOCK=0&DATA=QUJD=' "$token" "$long" "$i"
    printf '\n'
done > "$work/saves"
while read -r body; do
    curl -sf --data-binary "$body" $base/qbsave.pl >/dev/null
done < "$work/saves"
size=$(curl -s --data-binary "ID=$token&DIR=/folderpath" $base/qbdir.pl | wc -c)
echo "listing: $size bytes"
python3 - "$token" "$base" <<'PY'
import sys, itertools, urllib.request
token, base = sys.argv[1], sys.argv[2]
word = "folderpath"
for n, mask in enumerate(range(2048)):
    path = "/" + "".join(c.upper() if mask >> i & 1 else c for i, c in enumerate(word))
    urllib.request.urlopen(base + "/qbdir.pl", data=("ID=%s&DIR=%s" % (token, path)).encode()).read()
PY
peak "2048 spellings of one 385 KB listing"
