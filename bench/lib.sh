# Sourced by the server benches: the build's programs, a work folder that goes when the
# script ends, and quillbox-servers on loopback that stop with it.
# QUILLBOX_SERVER=path runs another build of the server (e.g. an older one, to compare).
build=build/default
cli=$build/cli/quillbox-cli
work=$(mktemp -d)
servers=()
# A script with more to stop defines bench_cleanup_more; it runs once the servers are told
# to stop.
bench_cleanup() {
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
    if declare -F bench_cleanup_more >/dev/null; then bench_cleanup_more || true; fi
    rm -rf "$work"
}
trap bench_cleanup EXIT

# A free port on loopback.
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_server PORT DB [OPTION...]: a server in the background, once it answers; its pid is
# the last of servers.
start_server() {
    ${QUILLBOX_SERVER:-$build/server/quillbox-server} --listen 127.0.0.1:$1 --db "$2" "${@:3}" --quiet \
        2>>"$work/server.log" &
    servers+=($!)
    until curl -sf http://127.0.0.1:$1/UserGuide.htm >/dev/null; do
        kill -0 "${servers[-1]}" 2>/dev/null || { echo "the server did not start:"; cat "$work/server.log"; exit 1; }
        sleep 0.1
    done
}
