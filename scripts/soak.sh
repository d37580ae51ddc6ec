#!/usr/bin/env bash
# Fault soak: runs the real headless recorder (live image every second, history every 5 s) from a fake
# V4L2 camera while it injects, one after the other, the faults an operator's machine meets, and prints one
# line per fault: injected, logged, recovered, files lost. A reader polls the live image all along.
#   ./scripts/soak.sh [MINUTES]      default 10; not part of the test suite
#
# Lost means: a read of the live image that is not a whole JPEG; a history image (or its thumbnail) missing
# or not whole in a healthy period (more than 6.5 s between two history images, or between one and the
# period's ends, is a missing capture); a settings file that a stop and restart changed beyond its header.
# The status is 0 when every fault was recovered and nothing was lost.
set -euo pipefail
minutes=${1:-10}
[[ "$minutes" =~ ^[0-9]+$ ]] && [ "$minutes" -ge 4 ] || {
  echo "usage: $0 [MINUTES]   (at least 4)" >&2
  exit 2
}
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" build test
"$top/scripts/configure.sh" test >/dev/null
cmake --build "$top/build" -j"$(nproc)" --target quorvin18 quorvin18-settings fakev4l2 quorvin-soak-reader >/dev/null
bin="$top/build/bin"
reader="$bin/quorvin-soak-reader"
faketime_lib=$(find /usr/lib -path '*faketime/libfaketime.so.1' | head -n 1)
[ -n "$faketime_lib" ] || { echo "soak: libfaketime.so.1 not found" >&2; exit 1; }

work=$(mktemp -d /tmp/quorvin-soak.XXXXXX)
out="$work/out"
mkdir -p "$out" "$work/bin" "$work/run" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
recorder=""
reader_pid=""
mounted=0

cleanup() {
  trap - EXIT INT TERM
  if [ -n "$recorder" ] && kill -0 "$recorder" 2>/dev/null; then
    kill -TERM "$recorder" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$recorder" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$recorder" 2>/dev/null || true
  fi
  if [ -n "$reader_pid" ] && kill -0 "$reader_pid" 2>/dev/null; then
    kill -TERM "$reader_pid" 2>/dev/null || true
    wait "$reader_pid" 2>/dev/null || true
  fi
  [ "$mounted" -eq 0 ] || umount "$out" 2>/dev/null || umount -l "$out" 2>/dev/null || true
  if [ "${SOAK_KEEP:-0}" = 1 ]; then echo "soak: files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'echo "soak: interrupted" >&2; exit 130' INT
trap 'exit 143' TERM

# A full file system: a small tmpfs under the outputs when mounting is allowed, else a file-size limit.
full_mode=limit
if [ "${SOAK_FULL:-tmpfs}" = tmpfs ] && mount -t tmpfs -o "size=$((24 + minutes))m,mode=0755" quorvin-soak "$out" 2>/dev/null; then
  mounted=1
  full_mode=tmpfs
fi

# The camera, a logo, the clock, and settings the recorder saves back unchanged (no start-up correction).
camera_script="$work/camera.script"
printf 'camera /dev/video57\n  card "Soak Camera"\n  format YUYV 800x600 @5\n' >"$work/camera.good"
cp "$work/camera.good" "$camera_script"
convert -size 96x64 xc:gold -fill navy -draw 'circle 48,32 48,8' "$work/logo.good.jpg"
cp "$work/logo.good.jpg" "$work/logo.jpg"
echo "+0" >"$work/faketime"
cp "$bin/quorvin18" "$work/bin/quorvin18"
settings="$work/bin/quorvin18.ini"
{
  cat "$top/examples/quorvin18.ini"
  printf '%s\r\n' "DevIndex = 0" "inter(0) = 1" "op3(0) = 3" "inter(1) = 5" "ch1(9) = 1" "ch1(10) = 1" \
    "ch1(11) = 1" "LogomarkFilename = $work/logo.jpg" "NetworkPath = $out/live/" "histPath = $out/history/" \
    "EfctATop = 0" "EfctALeft = 0" "EfctAWidth = 800" "EfctAHeight = 600"
} >"$work/soak.ini"
"$bin/quorvin18-settings" normalise "$work/soak.ini" "$settings"
tail -n +2 "$settings" >"$work/settings.body"
live="$out/live/tovra.jpg"
errors="$work/recorder.err"
: >"$errors"

# Starts the recorder; prior_live is the live image's inode before it (a new one is its first capture).
start_recorder() {
  prior_live=$(inode)
  (
    cd "$work/run"
    exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u QT_LOGGING_RULES \
      XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" SANE_CONFIG_DIR="$top/tests/shell/sane-none" \
      LD_PRELOAD="$bin/libfakev4l2.so $faketime_lib" FAKE_V4L2_SCRIPT="$camera_script" KORVEX_V4L2_NODES=/dev/video57 \
      FAKETIME_TIMESTAMP_FILE="$work/faketime" FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
      "$work/bin/quorvin18"
  ) 2>>"$errors" >/dev/null &
  recorder=$!
  started_at=$EPOCHREALTIME
}

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
inode() { stat -c %i "$live" 2>/dev/null || echo none; }
grey() { "$reader" check "$1" 2>/dev/null | awk '$2 == "whole" { print $5; exit }'; }
width() { "$reader" check "$1" 2>/dev/null | awk '$2 == "whole" { sub(/x.*/, "", $3); print $3; exit }'; }
replace() { cp "$1" "$2.new" && mv -f "$2.new" "$2"; }  # readers see the old file or the new one

# Waits (at most $2 s) for a new whole live image, after the one whose inode was $1, with a mean grey of
# at least $3 and $4 pixels wide (the camera's 800; the Test Pattern's are 640) when $4 is given. Sets
# cycles (live images written meanwhile, the good one included) and recovered_at.
wait_live() {
  local last=$1 limit=$2 least=${3:-0} wide=${4:-} start=$EPOCHREALTIME ino g
  cycles=0
  recovered_at=""
  while awk -v s="$start" -v n="$EPOCHREALTIME" -v l="$limit" 'BEGIN { exit !(n - s < l) }'; do
    ino=$(inode)
    if [ "$ino" != none ] && [ "$ino" != "$last" ]; then
      last=$ino
      cycles=$((cycles + 1))
      g=$(grey "$live")
      if [ -n "$g" ] && [ "$g" -ge "$least" ] && { [ -z "$wide" ] || [ "$(width "$live")" = "$wide" ]; }; then
        recovered_at=$EPOCHREALTIME
        return 0
      fi
    fi
    sleep 0.1
  done
  return 1
}

# History images written after $1 (real time), one "mtime path" a line, oldest first.
history_since() {
  { find "$out/history" -name 'cam*.jpg' ! -name '*_.jpg' -printf '%T@ %p\n' 2>/dev/null || true; } |
    awk -v a="$1" '$1 > a' | sort -n
}

# Waits (at most 15 s) for the first history image written after $1: sets recovered_at and history_name.
first_history() {
  local first=""
  for _ in $(seq 150); do
    first=$(history_since "$1" | head -n 1)
    [ -z "$first" ] || break
    sleep 0.1
  done
  recovered_at=${first%% *}
  history_name=$(basename "${first#* }" .jpg)
}

# Stops the recorder with SIGTERM after $1 ms; checks the exit and the settings file. Sets stop_note.
stop_recorder() {
  sleep "$(awk -v ms="$1" 'BEGIN { print ms / 1000 }')"
  local t0=$EPOCHREALTIME status=0 blocked
  # The recorder blocks the end signals first thing in main; before that (loading its libraries) the
  # signal's default action ends it with 143, having written nothing: that is a clean stop too.
  blocked=$(awk '/^SigBlk:/ { print $2 }' "/proc/$recorder/status" 2>/dev/null || echo 0)
  kill -TERM "$recorder"
  wait "$recorder" || status=$?
  recorder=""
  stop_note="status $status after $(elapsed "$t0" "$EPOCHREALTIME") s"
  stops=$((stops + 1))
  if [ "$status" -eq 143 ] && (((0x${blocked:-0} >> 14 & 1) == 0)); then
    stop_note="$stop_note (before main)"
  elif [ "$status" -ne 0 ]; then
    bad_stops=$((bad_stops + 1))
  fi
  if ! tail -n +2 "$settings" | cmp -s - "$work/settings.body"; then
    settings_lost=$((settings_lost + 1))
    stop_note="$stop_note, settings file CHANGED"
    tail -n +2 "$settings" | diff "$work/settings.body" - >>"$work/settings.diff" || true
  fi
}

# History lost in the healthy period from $1 to $2: missing captures, partial images, missing thumbnails.
audit() {
  local a=$1 b=$2 prev=$1 lost=0 n=0 t f
  while read -r t f; do
    awk -v t="$t" -v b="$b" 'BEGIN { exit !(t <= b) }' || break
    n=$((n + 1))
    lost=$((lost + $(awk -v x="$prev" -v y="$t" 'BEGIN { g = int((y - x - 1.5) / 5); print (g > 0 ? g : 0) }')))
    "$reader" check "$f" "${f%.jpg}_.jpg" >>"$work/history.check" || lost=$((lost + 1))
    prev=$t
  done < <(history_since "$a")
  lost=$((lost + $(awk -v x="$prev" -v y="$b" 'BEGIN { g = int((y - x - 1.5) / 5); print (g > 0 ? g : 0) }')))
  history_checked=$((history_checked + n))
  history_lost=$((history_lost + lost))
  audit_lost=$lost
}

# Reads of the live image that were not whole, between $1 and $2.
partial_reads() {
  awk -v a="${1%.*}" -v b="${2%.*}" '$1 ~ /^[0-9]+$/ && $2 != "reads" && $1 >= a && $1 <= b' "$work/reads.txt" | wc -l
}

# An error-log line of the recorder's standard error without its head and date.
text_of() { sed -E 's/^error log: .* [0-9]{2}:[0-9]{2}:[0-9]{2} //'; }

# What the recorder logged since byte $1 of its standard error; $2 is the line expected ("" for none).
logged() {
  local lines count first summary
  lines=$(tail -c +"$(($1 + 1))" "$errors" | grep '^error log:' || true)
  count=$(printf '%s' "$lines" | grep -c . || true)
  summary=$(printf '%s\n' "$lines" | grep -c 'repeated .* more times' || true)
  if [ -z "$2" ]; then
    if [ "$count" -eq 0 ]; then logged_note="nothing, as expected"; else
      logged_note="$count unexpected lines: $(printf '%s\n' "$lines" | head -n 1 | text_of)"
      unexpected=$((unexpected + 1))
    fi
    return
  fi
  first=$(printf '%s\n' "$lines" | grep -E -m 1 -- "$2" | text_of || true)
  if [ -z "$first" ]; then
    logged_note="MISSING \"$2\" ($count other lines)"
    unexpected=$((unexpected + 1))
  else
    logged_note="\"$first\" ($count lines, $summary repeat summaries)"
  fi
}

total=$((minutes * 60))
faults=8
slot=$(((total - 30) / faults))
lasting=$((slot / 3))
faults_recovered=0
history_checked=0
history_lost=0
settings_lost=0
stops=0
bad_stops=0
unexpected=0
# One line per fault, printed once the healthy period after it has been audited: fault $1.
declare -a names injected extras notes recoveries settings_changed
report() {
  local i=$1
  local lost=$((audit_lost + $(partial_reads "${injected[i]}" "$EPOCHREALTIME") + settings_changed[i]))
  printf 'fault %d/%d %-37s | injected %s%s | logged: %s | %s | files lost %d\n' "$i" "$faults" "${names[i]}" \
    "$(date -d "@${injected[i]%.*}" +%T)" "${extras[i]}" "${notes[i]}" "${recoveries[i]}" "$lost"
}
echo "soak: $minutes min; outputs on $([ "$full_mode" = tmpfs ] && echo "a $((24 + minutes)) MiB tmpfs" || echo "the disk (no mount allowed: a file-size limit stands in for a full disk)") in $out; fake camera /dev/video57"
soak_started=$EPOCHREALTIME
start_recorder
wait_live none 60 || { echo "soak: no live image within 60 s" >&2; tail -n 20 "$errors" >&2; exit 1; }
"$reader" poll "$live" "$work/reads.txt" &
reader_pid=$!
healthy_from=$recovered_at

# Lets the recorder run healthy for $1 s, audits that period, prints the line of the fault before it, and
# marks the injection of fault $2.
healthy_then_inject() {
  sleep "$1"
  audit "$healthy_from" "$EPOCHREALTIME"
  if [ "$2" -eq 1 ]; then first_audit_lost=$audit_lost; else report $(($2 - 1)); fi
  settings_lost_before=$settings_lost
  injected[$2]=$EPOCHREALTIME
  err_at=$(stat -c %s "$errors")
}
# Fault $1 ends: its name, what else to say of its injection, and how it recovered ($3: "" when it did not).
# A healthy period begins when it recovered.
finish() {
  if ! kill -0 "$recorder" 2>/dev/null; then
    # The fault ended the recorder: say so, and go on with a new one.
    local status=0
    wait "$recorder" || status=$?
    recovered_at=""
    logged_note="$logged_note; THE RECORDER ENDED (status $status)"
    start_recorder
    wait_live "$prior_live" 60 || true
  fi
  names[$1]=$2
  extras[$1]=$3
  notes[$1]=$logged_note
  settings_changed[$1]=$((settings_lost - settings_lost_before))
  if [ -n "$recovered_at" ]; then
    faults_recovered=$((faults_recovered + 1))
    healthy_from=$recovered_at
    recoveries[$1]="recovered after $4"
  else
    healthy_from=$EPOCHREALTIME
    recoveries[$1]="NOT RECOVERED"
  fi
}

# 1. The live folder replaced by a file.
healthy_then_inject $((slot - lasting)) 1
until mv -T "$out/live" "$out/live.moved" 2>/dev/null && : >"$out/.live" && mv -T "$out/.live" "$out/live" 2>/dev/null; do
  rm -rf "$out/live.moved" "$out/.live"
done
sleep "$lasting"
rm -rf "$out/live" "$out/live.moved"
removed_at=$EPOCHREALTIME
wait_live none 30 || true
logged "$err_at" "cannot makeing path  $out/live/ 15"
finish 1 "live folder replaced by a file" ", lasted $(elapsed "${injected[1]}" "$removed_at") s" "$cycles cycle(s)"

# 2. The history folder deleted. The recorder makes it again before the next history image.
healthy_then_inject $((slot - lasting)) 2
rm -rf "$out/history"
first_history "${injected[2]}"
logged "$err_at" ""
finish 2 "history folder deleted" "" \
  "$(awk -v a="${injected[2]}" -v t="$recovered_at" 'BEGIN { printf "%d history cycle(s)", int((t - a) / 5) + 1 }')"

# 3. A full file system.
healthy_then_inject $((slot - lasting)) 3
if [ "$full_mode" = tmpfs ]; then
  cat /dev/zero >"$out/filler" 2>/dev/null || true
  expected="saveing 12: .*No space left on device"
else
  prlimit --pid "$recorder" --fsize=1:unlimited || true
  expected="saveing 13: .*File too large"
fi
sleep "$lasting"
if [ "$full_mode" = tmpfs ]; then rm -f "$out/filler"; else prlimit --pid "$recorder" --fsize=unlimited:unlimited || true; fi
removed_at=$EPOCHREALTIME
wait_live "$(inode)" 30 || true
logged "$err_at" "$expected"
finish 3 "full file system ($full_mode)" ", lasted $(elapsed "${injected[3]}" "$removed_at") s" "$cycles cycle(s)"

# 4. The camera unplugged and plugged in again. Meanwhile the live images are black; then bars again.
healthy_then_inject $((slot - lasting)) 4
printf '# unplugged\n' >"$work/camera.none"
replace "$work/camera.none" "$camera_script"
sleep "$lasting"
gone_grey=$(grey "$live")
replace "$work/camera.good" "$camera_script"
removed_at=$EPOCHREALTIME
wait_live "$(inode)" 30 40 || true
logged "$err_at" "saveing 3[0-2]: video grab from Soak Camera"
finish 4 "camera unplugged and back" ", lasted $(elapsed "${injected[4]}" "$removed_at") s" \
  "$cycles cycle(s) (mean grey of the live image: ${gone_grey:-?} while gone, $(grey "$live") after)"

# 5. The clock set back (by more than the soak runs, so no history name comes round again).
healthy_then_inject $((slot - lasting)) 5
step=$(((minutes + 60) * 60))
echo "-$step" >"$work/faketime.new" && mv -f "$work/faketime.new" "$work/faketime"
wait_live "$(inode)" 30 && live_cycles=$cycles || live_cycles=""
first_history "${injected[5]}"
[ -n "$live_cycles" ] || recovered_at=""
logged "$err_at" ""
finish 5 "clock set back by $((step / 60)) min" "" \
  "$live_cycles live cycle(s); next history image $history_name, $(elapsed "${injected[5]}" "${recovered_at:-0}") s later"

# 6. The logo swapped for a JPEG whose header claims 30000 x 30000 pixels, and restarted to load it.
healthy_then_inject $((slot - lasting)) 6
"$reader" claim "$work/logo.good.jpg" "$work/logo.huge" 30000 30000
replace "$work/logo.huge" "$work/logo.jpg"
stop_recorder 0
start_recorder
first_image=""
wait_live "$prior_live" 60 && first_image=$(elapsed "$started_at" "$recovered_at")
sleep 3
peak=$(awk '/VmHWM/ { print int($2 / 1024) }' "/proc/$recorder/status" 2>/dev/null || echo "?")
logged "$err_at" "saveing 20: logo on the live image: the logo .* is not loaded"
refused=$(tail -c +"$((err_at + 1))" "$errors" | grep -c '30000 x 30000 pixels is more than a picture may have' || true)
logged_note="$logged_note; refused at start: $refused time(s)"
sleep "$lasting"
replace "$work/logo.good.jpg" "$work/logo.jpg"
stop_recorder 0
after=$(stat -c %s "$errors")
start_recorder
recovered_at=""
if [ -n "$first_image" ] && wait_live "$prior_live" 60; then
  sleep 3
  ! tail -c +"$((after + 1))" "$errors" | grep -q 'is not loaded' || recovered_at=""
fi
finish 6 "logo swapped for a huge-header JPEG" ", restarted" \
  "a restart: first image ${first_image:-never} s after it, peak memory $peak MiB; logo drawn again after the next"

# 7. SIGTERM at a random moment of the capture cycles and of a start-up, restarted each time.
healthy_then_inject $((slot - lasting)) 7
stop_recorder $((RANDOM % 2000))
note1=$stop_note
start_recorder
stop_recorder $((RANDOM % 1500))
note2=$stop_note
start_recorder
wait_live "$prior_live" 60 || true
logged "$err_at" ""
finish 7 "SIGTERM, restarted" "" "$cycles cycle(s) after the restart (running: $note1; starting: $note2)"

# 8. The camera missing at start (the Test Pattern stands in) and plugged in while the recorder runs.
healthy_then_inject $((slot - lasting)) 8
stop_recorder 0
replace "$work/camera.none" "$camera_script"
start_recorder
wait_live "$prior_live" 60 && stand_in="$(width "$live") pixels wide" || stand_in="none"
sleep "$lasting"
replace "$work/camera.good" "$camera_script"
plugged_at=$EPOCHREALTIME
wait_live "$(inode)" 60 0 800 || true
logged "$err_at" ""
finish 8 "camera missing at start, plugged in" ", restarted" \
  "$cycles cycle(s), $(elapsed "$plugged_at" "${recovered_at:-$plugged_at}") s after the plug (images meanwhile: $stand_in)"

# The last healthy period runs to the end.
left=$((total - ${EPOCHREALTIME%.*} + ${soak_started%.*}))
healthy_then_inject $((left > 10 ? left : 10)) 9
stop_recorder 0
kill -TERM "$reader_pid"
wait "$reader_pid" || true
reader_pid=""
temporaries=$(find "$out" -name '.*.quorvin-*' | wc -l)
partial=$(partial_reads 0 99999999999)
echo "live image reader: $(tail -n 1 "$work/reads.txt")"
echo "history: $history_checked images checked in healthy periods, $history_lost lost (before the first fault: $first_audit_lost)"
echo "settings file: $stops stops ($bad_stops with a status other than 0), changed $settings_lost time(s) beyond its header"
echo "temporary files left: $temporaries; faults with unexpected log lines: $unexpected"
lost=$((history_lost + partial + settings_lost))
echo "result: $faults_recovered of $faults faults recovered, $lost files lost"
[ "$faults_recovered" -eq "$faults" ] && [ "$lost" -eq 0 ] && [ "$bad_stops" -eq 0 ] && [ "$temporaries" -eq 0 ]
