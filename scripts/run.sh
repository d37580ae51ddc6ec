#!/usr/bin/env bash
# Installs what building and running need, builds the recorder and its two tools, and starts the
# recorder. Images and the error log land in run/; the settings file is build/bin/quorvin18<suffix>.ini,
# made from examples/quorvin18.ini on the first run. Without a display the recorder runs headless; Ctrl-C
# ends it and saves its settings. Options go to the recorder as they are.
#   ./scripts/run.sh                  one recorder
#   ./scripts/run.sh cam2             another instance with its own settings file quorvin18cam2.ini
#   ./scripts/run.sh --list-devices   the cameras and scanner sources (see --help for the others)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" build
"$top/scripts/configure.sh" run >/dev/null
cmake --build "$top/build" -j"$(nproc)" --target quorvin18 quorvin18-settings quorvin18-timelapse

# Only a plain suffix, or nothing, names a settings file of the program folder; the recorder refuses the rest.
suffix="${1:-}"
if [ $# -le 1 ] && [[ "$suffix" =~ ^[^-/[:space:]][^/[:space:]]*$|^$ ]]; then
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
