#!/usr/bin/env bash
# Installs what building and running need, builds the recorder and its two tools, and starts the
# recorder. Images and the error log land in run/; the settings file is build/bin/quorvin18<suffix>.ini,
# made from examples/quorvin18.ini on the first run. Without a display the recorder runs headless; Ctrl-C
# ends it and saves its settings. Options go to the recorder as they are.
#   ./scripts/run.sh                  one recorder
#   ./scripts/run.sh cam2             another instance with its own settings file quorvin18cam2.ini
#   ./scripts/run.sh --list-devices   the cameras and scanner sources (see --help for the others)
#   ./scripts/run.sh --http 8080      with the web view on http://127.0.0.1:8080/
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" build
"$top/scripts/configure.sh" run >/dev/null
cmake --build "$top/build" -j"$(nproc)" --target quorvin18 quorvin18-settings quorvin18-timelapse

# The suffix among the options (skipping their values); with --config, or a command that records nothing,
# the settings file is not the program folder's. Only a plain suffix names one; the recorder refuses the rest.
suffix="" positional=0 ownFile=1 skip=0
for arg in "$@"; do
  if [ $skip -eq 1 ]; then skip=0; continue; fi
  case "$arg" in
    --http|--http-passwords) skip=1 ;;
    -c|--config|--config=*|-h|--help|-v|--version|--list-devices) ownFile=0 ;;
    -*) ;;
    *) suffix="$arg"; positional=$((positional + 1)) ;;
  esac
done
if [ $ownFile -eq 1 ] && [ $positional -le 1 ] && [[ "$suffix" =~ ^[^-/[:space:]][^/[:space:]]*$|^$ ]]; then
  settings="$top/build/bin/quorvin18${suffix}.ini"
  if [ ! -e "$settings" ]; then
    cp "$top/examples/quorvin18.ini" "$settings"
    echo "run: new settings file $settings (from examples/quorvin18.ini)" >&2
  fi
  echo "run: images in $top/run/live and $top/run/history; Ctrl-C ends the recorder" >&2
fi
mkdir -p "$top/run"
cd "$top/run"
exec "$top/build/bin/quorvin18" "$@"
