#!/usr/bin/env bash
# Takes docs/menu-entry.png: the package's menu entry and its icon at the
# theme's sizes, as GTK shows them from the unpacked package, on a virtual
# display. Builds the package first when build/package holds none.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

shoot() {
  # Debian's own Python, which has the GTK bindings of python3-gi.
  /usr/bin/python3 "$root/scripts/demo/menu-entry.py" "$work/root" &
  local shown=$! window=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^菜单项 Quilbex$' 2>/dev/null | head -n1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  [[ -n "$window" ]] || { echo "the window did not show" >&2; kill "$shown"; return 1; }
  sleep 1
  import -window "$window" "$root/docs/menu-entry.png"
  kill "$shown"
}
if [[ "${1:-}" == --on-display ]]; then
  work=$2
  shoot
  exit
fi
deb=$(ls "$root"/build/package/quilbex_*_amd64.deb 2>/dev/null | head -n1 || true)
[[ -n "$deb" ]] || deb=$("$root/scripts/package" | tail -n1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
xvfb-run -a -s "-screen 0 800x600x24" "$0" --on-display "$work"
echo "$root/docs/menu-entry.png"
