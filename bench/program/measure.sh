#!/usr/bin/env bash
# Start-up of the tool against a bare GTK window, on the current display:
# time from exec to the window mapped and the peak resident memory (VmHWM)
# once it is up, the median of several runs each. Then the tool's peak memory
# before and after the login window opens, the time from the click to its
# page, and the sign-in click against two plain libcurl requests.
#
# usage: measure.sh BIN_DIR [RUNS]   (BIN_DIR holds quilbex, node.dll, quilbex-sim)
# Registered as the CTest benchmark bench.program (label bench).
set -uo pipefail
bin=$1 runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/demo/screen.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cc -O2 -o "$work/bare-window" "$here/bare_window.c" $(pkg-config --cflags --libs gtk+-3.0) || exit 1
cp "$bin/quilbex" "$bin/quilbex-gtk.so" "$bin/node.dll" "$work/"

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

printf '#!/bin/sh\nexec "%s/bare-window" texts\n' "$work" >"$work/texts-window"
chmod +x "$work/texts-window"
read -r bare_ms bare_kb < <(measure "$work/bare-window" bare-window)
read -r texts_ms texts_kb < <(measure "$work/texts-window" texts-window)
read -r tool_ms tool_kb < <(measure "$work/quilbex" 'Quilbex签到抽奖V1.0')
ratio() { awk "BEGIN {printf \"%.2f\", $1/$2}"; }
echo "start-up to window mapped: bare GTK ${bare_ms} ms, GTK with the same texts ${texts_ms} ms," \
  "quilbex ${tool_ms} ms ($(ratio "$tool_ms" "$bare_ms")x bare, $(ratio "$tool_ms" "$texts_ms")x with texts)"
echo "peak memory (VmHWM):       bare GTK ${bare_kb} kB, GTK with the same texts ${texts_kb} kB," \
  "quilbex ${tool_kb} kB ($(ratio "$tool_kb" "$bare_kb")x bare, $(ratio "$tool_kb" "$texts_kb")x with texts)"

main_of() { xdotool search --onlyvisible --name '^Quilbex签到抽奖V1.0$' | head -n1; }

# The login window: peak memory before and after it opens (WebKit is loaded
# only then), and the time from the click to the account site's page drawn.
read -r _ before pid < <(start_and_wait "$work/quilbex" 'Quilbex签到抽奖V1.0')
main=$(main_of)
t0=$(now_ms)
xdotool mousemove --window "$main" 382 285 click 1
# The window is looked up each time: the first one found may still be replaced.
until login=$(xdotool search --onlyvisible --name '^登录$' 2>/dev/null | head -n1) && [[ -n "$login" ]] &&
      (( $(dark_pixels "$login" || echo 0) > 500 )); do
  (( $(now_ms) - t0 > 30000 )) && { echo "the login page was not shown"; exit 1; }
done
t1=$(now_ms)
sleep 2
after=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
# WebKit's web and network processes, started for the login window.
helpers=0
for child in $(pgrep -P "$pid"); do
  helpers=$((helpers + $(awk '/VmRSS/ {print $2}' /proc/$child/status 2>/dev/null || echo 0)))
done
echo "login window: click to page shown $((t1 - t0)) ms; peak memory before ${before} kB, after ${after} kB" \
  "($(awk "BEGIN {printf \"%.2f\", $after/$before}")x), plus ${helpers} kB in WebKit's helper processes"
kill "$pid"; wait "$pid" 2>/dev/null

# The sign-in click, timed by the services' clocks: from the arrival of the
# sign-in page's request to the arrival of the lottery's first request, which
# the handler starts right after appending the status line. That holds the
# page's reply, the whole sign action, the append and the thread's start;
# against it the same two requests made with plain libcurl.
cc -O2 -o "$work/two_requests" "$here/two_requests.c" $(pkg-config --cflags --libs libcurl) || exit 1
forum="https://$(host forum)"
ca=$(sed -n 's/^ca //p' "$work/sim.out")
cookie='UM_distinctid=sim-member-0001; BBS_UNAME=%E5%BC%A0%E4%B8%89'
printf '[COOKIE]\r\ncookie=%s\r\n' "$cookie" >"$work/Cookie.ini"
control="http://$(sed -n 's|^control http://||p' "$work/sim.out")"
read -r _ _ pid < <(start_and_wait "$work/quilbex" 'Quilbex签到抽奖V1.0')
main=$(main_of)
clicks=() peers=()
for _ in $(seq "$runs"); do
  # The draws of the run before end first; the scenario starts again.
  sleep 1.5
  curl -s -X POST "$control/reset" >/dev/null
  xdotool mousemove --window "$main" 208 257 click 1
  times=""
  for _ in $(seq 100); do
    times=$(curl -s "$control/log/times")
    grep -q '^api ' <<<"$times" && break
    sleep 0.05
  done
  page=$(awk '$1 == "forum" && $3 == "GET" {print $2; exit}' <<<"$times")
  draw=$(awk '$1 == "api" {print $2; exit}' <<<"$times")
  [[ -n "$page" && -n "$draw" ]] || { echo "the sign-in did not reach the services"; exit 1; }
  clicks+=("$(( (draw - page) / 100 ))")
  peers+=("$("$work/two_requests" "$forum" "$ca" "$cookie" | awk '{printf "%d", $1 * 10}')")
done
kill "$pid"; wait "$pid" 2>/dev/null
click_ms=$(printf '%s\n' "${clicks[@]}" | median)
peer_ms=$(printf '%s\n' "${peers[@]}" | median)
echo "sign-in click: quilbex $(awk "BEGIN {print $click_ms/10}") ms, two plain libcurl requests" \
  "$(awk "BEGIN {print $peer_ms/10}") ms ($(awk "BEGIN {printf \"%.2f\", $click_ms/$peer_ms}")x)"
