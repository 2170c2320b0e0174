#!/usr/bin/env bash
# Serves the built web player (build-web/, or $1) on http://127.0.0.1:8000/
# (port $2) for a local look: open that address in a browser with WebGL 2.
# WebAssembly does not load from file://, hence the server.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-web}"
port="${2:-8000}"
[ -f "$dir/krelan.wasm" ] || { echo "serve_web: no player in $dir; run tools/build_web.sh" >&2; exit 1; }
echo "Open http://127.0.0.1:$port/ in a browser (Ctrl-C stops the server)."
exec /usr/bin/python3 -m http.server --bind 127.0.0.1 --directory "$dir" "$port"
