#!/usr/bin/env bash
# Builds Quillbox, starts the notes server on loopback with its embedded database
# (data/quillbox.db), then runs the desktop client pointed at it. Ctrl+C or closing the
# client stops both. QUILLBOX_PORT picks another port (default 8080).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillbox quillbox-server quillbox-cli

port=${QUILLBOX_PORT:-8080}
# Whatever already answers on the port would take the client's saves: refuse to start.
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    echo "run.sh: 127.0.0.1:$port is already in use (another quillbox-server?); stop it or set QUILLBOX_PORT" >&2
    exit 1
fi
mkdir -p data
build/default/server/quillbox-server --listen "127.0.0.1:$port" --db data/quillbox.db 2>>data/server.log &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
# Ready when the server answering on the port reports the pid of the one started here.
answering=""
for _ in $(seq 100); do
    kill -0 "$server" 2>/dev/null || { echo "run.sh: the server did not start; see data/server.log:" >&2; tail -n 3 data/server.log >&2; exit 1; }
    answering=$(curl -sf -D - -o /dev/null "http://127.0.0.1:$port/UserGuide.htm" 2>/dev/null |
        tr -d '\r' | sed -n 's/^[Xx]-[Qq]uillbox-[Pp]id: *//p') || true
    [ -n "$answering" ] && break
    sleep 0.1
done
if [ "$answering" != "$server" ]; then
    echo "run.sh: the server on 127.0.0.1:$port is not the one started here (pid ${answering:-none}, expected $server)" >&2
    exit 1
fi
echo "Notes server on http://127.0.0.1:$port (log: data/server.log)"

# The client reads its server from Quillbox.ini beside the program.
client=build/default/program/quillbox
build/default/cli/quillbox-cli setting --ini "$(dirname "$client")/Quillbox.ini" Server "127.0.0.1:$port"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the client under a virtual X server (xvfb-run)." >&2
    xvfb-run -a "$client"
else
    "$client"
fi
