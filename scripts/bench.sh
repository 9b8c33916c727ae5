#!/usr/bin/env bash
# Measures Vendaro.exe side by side with a bare Win32 window under Wine on a virtual
# 1920x1080 display, and prints one table (Markdown) of the figures and their ratios.
# Run by hand; no test depends on it, and it asserts nothing.
#
#   bash scripts/bench.sh
#
# VENDARO_BENCH_BUILD  build folder (default build/bench)
# VENDARO_BENCH_RUNS   start-ups of each program (default 21)
# VENDARO_BENCH_IDLE   seconds of watching the idle programs (default 60)
#
# Idle wake-ups: Wine runs each Windows process as a Linux process whose first thread
# is the program's GUI thread, so the script reads that thread's context switch
# counters (voluntary + involuntary, /proc/PID/task/PID/status) over and over, some 40
# times a second, while the programs sit idle. A wake-up is a sample in which the
# counters moved after one in which they did not; every window-system round trip
# during a wake-up is a context switch of its own, so the switch count is given too.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VENDARO_BENCH_BUILD:-build/bench}
runs=${VENDARO_BENCH_RUNS:-21}
idle_seconds=${VENDARO_BENCH_IDLE:-60}
session=bench

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# On a virtual machine the host may take CPU time away ("steal"); every figure here
# is a wall-clock time, so the share taken during the run goes under the table.
cpu_times() { awk '$1 == "cpu" { print $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9, $9 }' /proc/stat; }
read -r total_before steal_before < <(cpu_times)
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target Vendaro bare_window bare_window_comctl32 bench_measure bench_refresh_cost \
  >/dev/null

export VENDARO_WINE_ROOT=$PWD/$build/wine
tools/wine-session start "$session" 1920x1080 >/dev/null
out=$(mktemp -d)
stop() {
  tools/wine-session stop "$session" || true
  rm -rf "$out"
}
trap stop EXIT

winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
work=$build/bench-run
rm -rf "$work"
mkdir -p "$work"
programs=(--vendaro "$(winpath "$build/bin/Vendaro.exe")"
  --bare "$(winpath "$build/bench/bare_window.exe")"
  --reference "$(winpath "$build/bench/bare_window_comctl32.exe")"
  --work "$(winpath "$work")")
run() { tools/wine-session exec --session "$session" "$@"; }

echo "bench: start-up and memory, $runs start-ups of each program ..." >&2
run "$build/bench/bench_measure.exe" "${programs[@]}" --runs "$runs" --refreshes 1000 >"$out/measure.txt"
echo "bench: refresh, load and save inside the widget ..." >&2
run "$build/bench/bench_refresh_cost.exe" >"$out/cost.txt"

# ---- idle --------------------------------------------------------------------------

echo "bench: ${idle_seconds} s of idle ..." >&2
ready=$work/ready.txt
run "$build/bench/bench_measure.exe" "${programs[@]}" --hold $((idle_seconds + 30)) \
  --ready "$(winpath "$ready")" >"$out/hold.txt" &
holder=$!
for ((i = 0; i < 600; i++)); do [[ -s $ready ]] && break; sleep 0.1; done
[[ -s $ready ]] || { echo "bench: the programs did not come up for the idle watch" >&2; exit 1; }

# The Linux process of a Windows program: its command line is the exe's Windows path.
linux_pid() {
  local exe=$1 dir cmd
  for dir in /proc/[0-9]*; do
    cmd=$(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null) || continue
    [[ ${cmd%% } == "$exe"* ]] && { echo "${dir#/proc/}"; return 0; }
  done
  return 1
}

switches() {  # voluntary + involuntary context switches of a thread
  local -a lines
  local line sum=0
  mapfile -t lines <"$1" || return 1
  for line in "${lines[@]: -4}"; do
    [[ $line =~ ^(non)?voluntary_ctxt_switches:[[:space:]]*([0-9]+) ]] && ((sum += BASH_REMATCH[2]))
  done
  echo "$sum"
}

names=() pids=()
while read -r name exe; do
  pid=$(linux_pid "$exe") || { echo "bench: no Linux process for $exe" >&2; exit 1; }
  names+=("$name") pids+=("$pid")
done < <(tr -d '\r' <"$ready")

exec {sleeper}<> <(:)  # read -t on this waits without starting a process
declare -a first last active wakeups
for k in "${!pids[@]}"; do
  first[k]=$(switches "/proc/${pids[k]}/task/${pids[k]}/status")
  last[k]=${first[k]} active[k]=0 wakeups[k]=0
done
# Sampled every 10 ms for the given time by the clock, however long a sample takes.
end=$((${EPOCHREALTIME/./} + idle_seconds * 1000000))  # µs
samples=0
while ((${EPOCHREALTIME/./} < end)); do
  read -r -t 0.01 -u "$sleeper" _ || true
  for k in "${!pids[@]}"; do
    now=$(switches "/proc/${pids[k]}/task/${pids[k]}/status") ||
      { echo "bench: ${names[k]} ended during the idle watch" >&2; exit 1; }
    if ((now != last[k])); then
      ((active[k] == 0)) && ((wakeups[k] += 1))
      active[k]=1
    else
      active[k]=0
    fi
    last[k]=$now
  done
  ((samples += 1))
done
echo "# idle watch: $samples samples in ${idle_seconds} s" >>"$out/idle.txt"
for k in "${!pids[@]}"; do
  threads=$(ls "/proc/${pids[k]}/task" | wc -l)
  echo "# ${names[k]}: Linux pid ${pids[k]}, $threads thread(s)" >>"$out/idle.txt"
done
{
  printf 'figure idle_wakeups_per_min'
  for k in "${!pids[@]}"; do printf ' %s' "$(awk -v w="${wakeups[k]}" -v s="$idle_seconds" 'BEGIN{printf "%.1f", w*60/s}')"; done
  printf '\nfigure idle_switches_per_min'
  for k in "${!pids[@]}"; do
    printf ' %s' "$(awk -v d=$((last[k] - first[k])) -v s="$idle_seconds" 'BEGIN{printf "%.1f", d*60/s}')"
  done
  printf '\n'
} >>"$out/idle.txt"
wait "$holder" || true

# ---- the table ---------------------------------------------------------------------

cat "$out/measure.txt" "$out/cost.txt" "$out/idle.txt" | tr -d '\r' | grep '^#' >&2 || true
cat "$out/measure.txt" "$out/cost.txt" "$out/idle.txt" | tr -d '\r' | awk -v runs="$runs" '
  $1 == "figure" { n = NF - 2; for (i = 1; i <= n; i++) value[$2, i] = $(i + 2); count[$2] = n }
  function cell(v, unit) {
    if (v == "" || v == "-") return "–"
    if (unit == "KB" && v >= 1024) return sprintf("%.1f MB", v / 1024)
    if (unit == "B") return sprintf("%.0f KB", v / 1024)
    if (v >= 100) return sprintf("%.0f", v)
    return sprintf("%.1f", v)
  }
  function ratio(a, b) { return (a == "" || a == "-" || b == "" || b == "-" || b == 0) ? "–" : sprintf("%.2f", a / b) }
  function row(label, key, unit, goal) {
    if (!(key in count)) return
    v = value[key, 1]; b = value[key, 2]; r = value[key, 3]
    printf "| %s | %s | %s | %s | %s | %s |\n", label, cell(v, unit), cell(b, unit), ratio(v, b), cell(r, unit), goal
  }
  END {
    print "| figure | Vendaro.exe | bare window | ratio | bare window + comctl32 | goal |"
    print "|---|---:|---:|---:|---:|---|"
    row("start-up to window visible, median of " runs " (ms)", "startup_visible_ms", "ms", "≤ 1.25 × bare")
    row("start-up to window visible, fastest of " runs " (ms)", "startup_visible_min_ms", "ms", "")
    row("start-up to waiting for input, median (ms)", "startup_idle_ms", "ms", "")
    row("private bytes after start-up", "private_startup_kb", "KB", "≤ 1.5 × bare")
    row("working set after start-up", "ws_startup_kb", "KB", "")
    row("private bytes after 1000 refreshes", "private_after_kb", "KB", "")
    row("working set after 1000 refreshes", "ws_after_kb", "KB", "")
    row("size of the exe (stripped)", "exe_bytes", "B", "Vendaro ≤ 300 KB")
    row("one RefreshCountdownLabels, three named items, median (µs)", "refresh_us", "us", "< 200 µs")
    row("one RefreshCountdownLabels, fastest (µs)", "refresh_us_min", "us", "")
    row("  of which: one value read from the file, six in all, median (µs)", "part_read_value_us", "us", "")
    row("  of which: one line written and drawn, three in all, median (µs)", "part_caption_us", "us", "")
    row("one LoadConfiguration, median (µs)", "load_us", "us", "")
    row("one SaveConfiguration, nothing changed, median (µs)", "save_us", "us", "")
    row("one SaveConfiguration, all six values changed, median (µs)", "save_changed_us", "us", "")
    row("idle: wake-ups of the GUI thread per minute", "idle_wakeups_per_min", "", "the 30 s timer only: 2")
    row("idle: context switches of the GUI thread per minute", "idle_switches_per_min", "", "")
  }'
read -r total_after steal_after < <(cpu_times)
steal=$(awk -v s=$((steal_after - steal_before)) -v t=$((total_after - total_before)) \
  'BEGIN { printf "%.0f", (t > 0 ? 100 * s / t : 0) }')
echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) CPU(s), $(lscpu | sed -n 's/^Model name: *//p' | head -1)," \
  "$(wine --version 2>/dev/null), Xvfb 1920x1080x24; load average $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after;" \
  "the host took ${steal}% of the CPU time during the run (steal)"
