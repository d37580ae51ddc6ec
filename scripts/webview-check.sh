#!/usr/bin/env bash
# The web view in a real browser and its costs: starts the built recorder (build/bin, from a build by
# ./scripts/run.sh or ./scripts/test.sh) on the test device with the example settings in a temporary folder,
# measures the page's latency and the CPU a stream client costs, and, when Chromium is installed, takes a
# screenshot of "/" and checks that the live picture is in it (ImageMagick counts its colours).
#   ./scripts/webview-check.sh [SCREENSHOT.png]
# Chromium is no dependency of Quorvin: apt-get install chromium, only for this check.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
shot="${1:-}"
work=$(mktemp -d)
recorder=""
clients=()
finish() {
  for c in "${clients[@]}"; do kill "$c" 2>/dev/null || true; done
  if [ -n "$recorder" ]; then kill "$recorder" 2>/dev/null || true; wait "$recorder" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/bin" "$work/run" "$work/runtime"
chmod 700 "$work/runtime"
cp "$top/build/bin/quorvin18" "$top/build/bin/quorvin-build-tree" "$work/bin/"
cp "$top/examples/quorvin18.ini" "$work/bin/"
(cd "$work/run" && exec env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/runtime" "$work/bin/quorvin18" --http 0 2>"$work/stderr") &
recorder=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's|.*the web view is at http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/stderr")
  [ -n "$port" ] && [ -s "$work/run/live/tovra.jpg" ] && break
  sleep 0.2
done
[ -n "$port" ] || { echo "webview-check: the recorder did not start its web view" >&2; cat "$work/stderr" >&2; exit 1; }
url="http://127.0.0.1:$port"
echo "webview-check: recorder $recorder serving $url"

# Latency: the median of 50 requests of each route, on a fresh connection each.
for route in / /live.jpg /health; do
  median=$(for _ in $(seq 50); do curl -s -o /dev/null -w '%{time_total}\n' "$url$route"; done | sort -n | sed -n 25p)
  echo "latency $route: median $(awk -v t="$median" 'BEGIN { printf "%.2f", t * 1000 }') ms"
done

# CPU of the recorder over 20 s: without a stream client, then with 4.
ticks() { awk '{ print $14 + $15 }' "/proc/$recorder/stat"; }
hz=$(getconf CLK_TCK)
cpu_over() { local a b; a=$(ticks); sleep 20; b=$(ticks); echo $(( b - a )); }
idle=$(cpu_over)
for _ in 1 2 3 4; do curl -s -N -o /dev/null "$url/stream.mjpg" & clients+=($!); done
streaming=$(cpu_over)
awk -v i="$idle" -v s="$streaming" -v hz="$hz" 'BEGIN {
  printf "recorder CPU: %.2f %% without streams, %.2f %% with 4 stream clients: %.3f %% per client\n",
         100 * i / hz / 20, 100 * s / hz / 20, 100 * (s - i) / hz / 20 / 4 }'
for c in "${clients[@]}"; do kill "$c" 2>/dev/null || true; done
clients=()

if ! command -v chromium >/dev/null; then
  echo "webview-check: no chromium, no screenshot"
  exit 0
fi
out="${shot:-$work/page.png}"
sandbox=()
[ "$(id -u)" -ne 0 ] || sandbox=(--no-sandbox)
chromium --headless "${sandbox[@]}" --disable-gpu --hide-scrollbars --window-size=1200,700 \
  --virtual-time-budget=4000 --screenshot="$out" "$url/" >/dev/null 2>&1
# The dark page alone has a few dozen colours; the test pattern with its noise brings thousands.
colours=$(convert "$out" -crop 720x400+16+60 -format %k info:)
echo "screenshot $out: $colours colours where the live picture is"
[ "$colours" -gt 1000 ] || { echo "webview-check: the live picture is not on the page" >&2; exit 1; }
