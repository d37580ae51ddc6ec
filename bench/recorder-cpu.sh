#!/usr/bin/env bash
# What the real headless recorder costs on the built-in test device, beside fswebcam doing the same work.
#   bench/recorder-cpu.sh [SIZE] [SECONDS]      SIZE like 1920x1080 (default), SECONDS per run (default 60)
# Runs build/bin/quorvin18 (built when missing) twice on a settings file in a temporary folder: once with a
# live capture every second (the example settings, history off: the live image, half image and thumbnail) and
# once with captures switched off. Prints the CPU per second with no capture due, the CPU per capture all
# in, and the peak resident size. Then runs fswebcam --loop 1 on its test source at the same size with the
# same three outputs (full, half and a fifth; a banner; the same JPEG qualities) and prints both side by
# side. fswebcam is installed for this comparison only; nothing else uses it. The machine is shared: look
# at the load printed first and repeat on a quiet machine.
set -euo pipefail

size="${1:-1920x1080}"
seconds="${2:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 5 ] || ! [[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]]; then
  echo "usage: $0 [WIDTHxHEIGHT] [SECONDS >= 5]" >&2
  exit 2
fi
width="${BASH_REMATCH[1]}"
height="${BASH_REMATCH[2]}"
top=$(cd "$(dirname "$0")/.." && pwd)
build="${QUORVIN_BUILD:-$top/build}"
warmup=5

if [ ! -x "$build/bin/quorvin18" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target quorvin18 >/dev/null
fi
# fswebcam comes from the [bench] section of the package list, for this comparison only.
"$top/scripts/install-deps.sh" bench

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

ticks=$(getconf CLK_TCK)
# CPU milliseconds a process has used so far (user + system).
cpu_ms() {
  local fields
  read -r -a fields <<<"$(sed 's/^.*) //' "/proc/$1/stat")"
  echo $(((fields[11] + fields[12]) * 1000 / ticks))
}
peak_mib() {
  awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}
# Counts the captures for `seconds` seconds: changes of a file's modification time, those less than half a
# second apart taken as one (a file written in several steps changes more than once).
count_writes() {
  local file="$1" last="" now count=0 end=$((SECONDS + seconds)) seen=0 t
  while [ "$SECONDS" -lt "$end" ]; do
    now=$(stat -c %y "$file" 2>/dev/null || true)
    if [ -n "$now" ] && [ "$now" != "$last" ]; then
      t=${EPOCHREALTIME/./}
      if [ -n "$last" ] && [ $((t - seen)) -gt 500000 ]; then count=$((count + 1)); fi
      seen=$t
      last="$now"
    fi
    sleep 0.1
  done
  echo "$count"
}

# The recorder's settings and korvex's device file in a folder of their own.
mkdir -p "$work/config/korvex" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$work/config/korvex/devices.ini" <<EOF
[device%20test-pattern]
width=$width
height=$height
fpsNum=30
fpsDen=1
pixelFormat=BGRx
EOF

# Runs the recorder with `capture` (1 or 0) for the warm-up and `seconds`; sets rec_cpu, rec_captures,
# rec_peak.
run_recorder() {
  local capture="$1"
  sed -e "s/^inter(0) = [0-9]*/inter(0) = 1/" -e "s/^ch1(9) = 1/ch1(9) = 0/" -e "s/^ch1(10) = 1/ch1(10) = 0/" \
    -e "s/^ch1(28) = [01]/ch1(28) = $capture/" -e "s/^ch1(29) = [01]/ch1(29) = 0/" \
    "$top/examples/quorvin18.ini" >"$work/quorvin18.ini"
  rm -rf "$work/run"
  mkdir -p "$work/run"
  (cd "$work/run" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$work/runtime" KORVEX_V4L2_NODES=/nonexistent "$build/bin/quorvin18" --config "$work/quorvin18.ini" \
    2>"$work/stderr") &
  pid=$!
  sleep "$warmup"
  kill -0 "$pid" 2>/dev/null || { echo "recorder-cpu: the recorder ended:" >&2; cat "$work/stderr" >&2; exit 1; }
  local start
  start=$(cpu_ms "$pid")
  rec_captures=$(count_writes "$work/run/live/tovra.jpg")
  rec_cpu=$(($(cpu_ms "$pid") - start))
  rec_peak=$(peak_mib "$pid")
  kill "$pid"
  wait "$pid" || true
  pid=""
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
echo "size ${width}x${height}, ${seconds} s per run after ${warmup} s of start-up"

run_recorder 0
idle_cpu=$rec_cpu
idle_peak=$rec_peak
run_recorder 1
live_cpu=$rec_cpu
live_captures=$rec_captures
live_peak=$rec_peak
if [ "$live_captures" -eq 0 ]; then
  echo "recorder-cpu: the recorder wrote no live image" >&2
  cat "$work/stderr" >&2
  exit 1
fi

# fswebcam: the same three outputs each second from its test source.
mkdir -p "$work/fswebcam"
(cd "$work/fswebcam" && exec fswebcam -q --loop 1 -d TEST -r "${width}x${height}" --jpeg 77 --save full.jpg \
  --scale "$((width / 2))x$((height / 2))" --jpeg 92 --save half.jpg \
  --scale "$((width / 5))x$((height / 5))" --jpeg 72 --save thumb.jpg 2>"$work/fswebcam.stderr") &
pid=$!
sleep "$warmup"
start=$(cpu_ms "$pid")
fsw_captures=$(count_writes "$work/fswebcam/full.jpg")
fsw_cpu=$(($(cpu_ms "$pid") - start))
fsw_peak=$(peak_mib "$pid")
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""

awk -v s="$seconds" -v ic="$idle_cpu" -v ip="$idle_peak" -v lc="$live_cpu" -v ln="$live_captures" \
  -v lp="$live_peak" -v fc="$fsw_cpu" -v fn="$fsw_captures" -v fp="$fsw_peak" 'BEGIN {
  idle = ic / s
  per = lc / ln
  added = (lc - idle * s) / ln
  fper = fn > 0 ? fc / fn : 0
  ratio = per > 0 ? fper / per : 0
  printf "%-44s %12s %12s %8s\n", "", "quorvin18", "fswebcam", "ratio"
  printf "%-44s %9.1f ms %12s\n", "CPU per second, no capture due, unseen", idle, "-"
  printf "%-44s %9.2f %% %12s\n", "  as a share of one core", idle / 10, "-"
  printf "%-44s %9.1f ms %9.1f ms %7.1fx\n", "CPU per capture, all in (1 a second)", per, fper, ratio
  printf "%-44s %9.1f ms %12s\n", "  of which the capture itself", added, "-"
  printf "%-44s %12d %12d\n", "captures counted", ln, fn
  printf "%-44s %8.1f MiB %8.1f MiB\n", "peak resident size, capturing", lp, fp
  printf "%-44s %8.1f MiB %12s\n", "peak resident size, no capture", ip, "-"
}'
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at end"
