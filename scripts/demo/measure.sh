#!/usr/bin/env bash
# Start-up of the tool against a bare GTK window, on the current display:
# time from exec to the window mapped and the peak resident memory (VmHWM)
# once it is up, the median of several runs each. Then the tool's peak memory
# before and after the login window opens.
#
# usage: measure.sh BIN_DIR [RUNS]   (BIN_DIR holds quilbex, node.dll, quilbex-sim)
set -uo pipefail
bin=$1 runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cc -O2 -o "$work/bare-window" "$here/bare_window.c" $(pkg-config --cflags --libs gtk+-3.0) || exit 1
cp "$bin/quilbex" "$bin/node.dll" "$work/"

now_ms() { date +%s%3N; }
# Starts $1, waits for a visible window titled $2; prints "ms kB pid".
start_and_wait() {
  local t0 pid
  t0=$(now_ms)
  (cd "$work" && exec "$1") >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do sleep 0.005; done
  local t1; t1=$(now_ms)
  sleep 0.5
  echo "$((t1 - t0)) $(awk '/VmHWM/ {print $2}' /proc/$pid/status) $pid"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

measure() {
  local program=$1 title=$2 times=() mems=()
  for _ in $(seq "$runs"); do
    read -r ms kb pid < <(start_and_wait "$program" "$title")
    times+=("$ms"); mems+=("$kb")
    kill "$pid"; wait "$pid" 2>/dev/null
  done
  echo "$(printf '%s\n' "${times[@]}" | median) $(printf '%s\n' "${mems[@]}" | median)"
}

"$bin/quilbex-sim" --any-ports >"$work/sim.out" 2>&1 &
for _ in $(seq 100); do grep -q '^ca ' "$work/sim.out" && break; sleep 0.1; done
host() { sed -n "s|^$1 https://||p" "$work/sim.out"; }
printf '[HOSTS]\nforum=%s\napi=%s\nquote=%s\naccount=%s\n[TLS]\nca_file=%s\n' "$(host forum)" "$(host api)" \
  "$(host quote)" "$(host account)" "$(sed -n 's/^ca //p' "$work/sim.out")" >"$work/Config.ini"

read -r bare_ms bare_kb < <(measure "$work/bare-window" bare-window)
read -r tool_ms tool_kb < <(measure "$work/quilbex" 'Quilbex签到抽奖V1.0')
echo "start-up to window mapped: bare GTK ${bare_ms} ms, quilbex ${tool_ms} ms ($(awk "BEGIN {printf \"%.2f\", $tool_ms/$bare_ms}")x)"
echo "peak memory (VmHWM):       bare GTK ${bare_kb} kB, quilbex ${tool_kb} kB ($(awk "BEGIN {printf \"%.2f\", $tool_kb/$bare_kb}")x)"

read -r _ before pid < <(start_and_wait "$work/quilbex" 'Quilbex签到抽奖V1.0')
main=$(xdotool search --onlyvisible --name '^Quilbex签到抽奖V1.0$' | head -n1)
t0=$(now_ms)
xdotool mousemove --sync --window "$main" 382 285 click 1
for _ in $(seq 1000); do
  grep -q . <(curl -s "http://$(sed -n 's|^control http://||p' "$work/sim.out")/log") && break
  sleep 0.01
done
t1=$(now_ms)
xdotool search --onlyvisible --name '^登录$' >/dev/null 2>&1 || { echo "the login window did not open"; exit 1; }
sleep 3
after=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
echo "login window: click to page requested $((t1 - t0)) ms; peak memory before ${before} kB, after ${after} kB"
kill "$pid"
