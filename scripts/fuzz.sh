#!/usr/bin/env bash
# Runs the libFuzzer harnesses of fuzz/ (built by the "fuzz" preset), one at a time on one core.
#
#   scripts/fuzz.sh SECONDS [HARNESS...]
#       A campaign: each harness (default: all) fuzzes for SECONDS, growing its corpus in
#       build/fuzz/corpus/<harness> (kept between campaigns). Crashes, leaks, timeouts and
#       out-of-memory inputs land in build/fuzz/findings/<harness>/. Prints executions and edges.
#       With FUZZ_RUNS=N a harness also stops after N executions (SECONDS is then a limit);
#       FUZZ_MAX_LEN=N keeps new inputs to N bytes (a harness whose inputs grow slows down).
#   scripts/fuzz.sh --regress [RUNS]
#       The CI check: every harness runs its seeds and fuzz/regressions/<harness>/ once, then
#       RUNS (default 2000) mutations; any finding fails.
#
# Seeds are written by trov_fuzz_seeds from the unit tests' generators; dictionaries are in fuzz/dict.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/fuzz
HARNESSES=(text_file project bmp jpeg wave avi_frames codec_settings cache_index language)
# FUZZ_TIMEOUT raises the 2 s limit for campaigns on a machine busy with other work, where the
# wall clock of a unit says little; a slow unit found then is timed again alone.
OPTIONS=(-rss_limit_mb=2048 -timeout="${FUZZ_TIMEOUT:-2}" -print_final_stats=1)
# Harnesses that save files flush them; on a memory file system that costs nothing.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp}

die() { echo "fuzz.sh: $*" >&2; exit 2; }
[ $# -ge 1 ] || die "usage: scripts/fuzz.sh SECONDS [HARNESS...] | --regress [RUNS]"
for h in "${HARNESSES[@]}"; do
  [ -x "$build/fuzz/fuzz_$h" ] || die "build/fuzz/fuzz/fuzz_$h missing: cmake --preset fuzz && cmake --build --preset fuzz"
done

seeds=$build/seeds
rm -rf "$seeds"
"$build/fuzz/trov_fuzz_seeds" "$seeds" >/dev/null

# "executions edges" of a run from libFuzzer's final statistics and its last status line.
summary() {
  local log=$1 runs cov
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  echo "${runs:-0} ${cov:-0}"
}

if [ "$1" = "--regress" ]; then
  runs=${2:-2000}
  logs=$build/regress-logs
  rm -rf "$logs" && mkdir -p "$logs"
  failed=0
  for h in "${HARNESSES[@]}"; do
    work=$(mktemp -d)
    mkdir -p "$work/corpus" "$work/findings"
    cp "$seeds/$h"/* "$work/corpus/" 2>/dev/null || true
    inputs=("$work/corpus")
    [ -d "$root/fuzz/regressions/$h" ] && inputs+=("$root/fuzz/regressions/$h")
    start=$SECONDS
    # The seeds and regression inputs first (each must pass), then a short mutation run from them.
    if "$build/fuzz/fuzz_$h" "${OPTIONS[@]}" -runs=0 -artifact_prefix="$work/findings/" "${inputs[@]}" \
         >"$logs/$h-inputs.log" 2>&1 &&
       "$build/fuzz/fuzz_$h" "${OPTIONS[@]}" -seed=1 -runs="$runs" -dict="$root/fuzz/dict/$h.dict" \
         -artifact_prefix="$work/findings/" "$work/corpus" >"$logs/$h.log" 2>&1; then
      read -r execs edges < <(summary "$logs/$h.log")
      printf '%-15s ok    %8s runs %6s edges %4ss\n' "$h" "$execs" "$edges" "$((SECONDS - start))"
    else
      printf '%-15s FAILED (see %s)\n' "$h" "$logs"
      ls "$work/findings" >&2 || true
      tail -40 "$logs/$h-inputs.log" "$logs/$h.log" >&2 || true
      failed=1
    fi
    rm -rf "$work"
  done
  exit $failed
fi

seconds=$1
shift
[[ $seconds =~ ^[0-9]+$ ]] || die "SECONDS must be a number"
[ $# -gt 0 ] && HARNESSES=("$@")
report=$build/campaign.txt
for h in "${HARNESSES[@]}"; do
  corpus=$build/corpus/$h
  findings=$build/findings/$h
  mkdir -p "$corpus" "$findings" "$build/campaign-logs"
  cp -n "$seeds/$h"/* "$corpus/" 2>/dev/null || true
  [ -d "$root/fuzz/regressions/$h" ] && cp -n "$root/fuzz/regressions/$h"/* "$corpus/" 2>/dev/null || true
  log=$build/campaign-logs/$h-$(date +%H%M%S).log
  rc=0
  limits=(-max_total_time="$seconds")
  [ -n "${FUZZ_RUNS:-}" ] && limits+=(-runs="$FUZZ_RUNS")
  [ -n "${FUZZ_MAX_LEN:-}" ] && limits+=(-max_len="$FUZZ_MAX_LEN")
  "$build/fuzz/fuzz_$h" "${OPTIONS[@]}" "${limits[@]}" -dict="$root/fuzz/dict/$h.dict" \
    -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || rc=$?
  read -r execs edges < <(summary "$log")
  slowest=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  line=$(printf '%s %-15s %10s runs %6s edges slowest %ss findings %s rc %s' "$(date -u +%FT%TZ)" "$h" "$execs" \
    "$edges" "${slowest:-?}" "$found" "$rc")
  echo "$line" | tee -a "$report"
done
