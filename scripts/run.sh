#!/usr/bin/env bash
# Installs what is missing, builds the recorder and starts it. Images and the error log land in run/;
# the settings file is build/bin/quorvin18<suffix>.ini, made from examples/quorvin18.ini on the first run.
# Without a display the recorder runs headless; Ctrl-C ends it and saves its settings.
#   ./scripts/run.sh           one recorder
#   ./scripts/run.sh cam2      another instance with its own settings file quorvin18cam2.ini
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j"$(nproc)" --target quorvin18

suffix="${1:-}"
settings="$top/build/bin/quorvin18${suffix}.ini"
if [ ! -e "$settings" ]; then
  cp "$top/examples/quorvin18.ini" "$settings"
  echo "run: new settings file $settings (from examples/quorvin18.ini)" >&2
fi
mkdir -p "$top/run"
cd "$top/run"
echo "run: images in $top/run/live and $top/run/history; Ctrl-C ends the recorder" >&2
exec "$top/build/bin/quorvin18" ${suffix:+"$suffix"}
