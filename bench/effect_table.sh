#!/usr/bin/env bash
# Per-frame cost at 1280x720 on one thread of every built-in effect, the picture-move frame and the
# caption fade frame (Cross Dissolve between the picture and the captioned picture), as a table:
# name, kind, ms per frame (CPU time of the benchmark thread), frames per second, and "MISS" where
# the target is not met (single-pass 10 ms, multi-pass 40 ms; the two frame kinds count as
# single-pass). The load average is printed first: on a shared machine wall times mean little.
# Usage:
#   bench/effect_table.sh [build dir, default build/release] [benchmark filter regex]
# TASKSET="taskset -c 1" pins the benchmarks to one core.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/release}
FILTER=${2:-.}
BENCH=$BUILD/bench
for b in bench_effects bench_imaging bench_captions; do
  [ -x "$BENCH/$b" ] || { echo "no $BENCH/$b (build the benchmarks first)"; exit 1; }
done
WORK=$(mktemp -d /tmp/effect-table.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
read -r -a PIN <<< "${TASKSET:-}"

echo "load before: $(uptime)"
${PIN[@]+"${PIN[@]}"} "$BENCH/bench_effects" --benchmark_filter="$FILTER" --benchmark_format=json \
  > "$WORK/effects.json"
if [ "$FILTER" = . ]; then
  ${PIN[@]+"${PIN[@]}"} "$BENCH/bench_imaging" --benchmark_filter='BM_PictureMoveFrame/3606/0/1' \
    --benchmark_format=json > "$WORK/move.json"
  ${PIN[@]+"${PIN[@]}"} "$BENCH/bench_captions" --benchmark_filter='BM_CaptionFadeFrame_Prepared/Cross Dissolve' \
    --benchmark_format=json > "$WORK/caption.json"
fi
echo "load after:  $(uptime)"

python3 - "$WORK" <<'EOF'
import json, os, re, sys

work = sys.argv[1]
MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
rows = []

def load(name):
    path = os.path.join(work, name)
    return json.load(open(path))["benchmarks"] if os.path.exists(path) else []

for b in load("effects.json"):
    name = b["name"].split("/min_time")[0]
    rows.append((name, b.get("label", "single-pass"), b["cpu_time"] * MS[b["time_unit"]]))
for b in load("move.json"):
    rows.append(("[picture-move frame, 3606x2028 source]", "single-pass", b["cpu_time"] * MS[b["time_unit"]]))
for b in load("caption.json"):
    # One iteration is a whole fade; the label says of how many frames.
    frames = int(re.search(r"(\d+) frames per fade", b["label"]).group(1))
    rows.append(("[caption fade frame, Cross Dissolve]", "single-pass", b["cpu_time"] * MS[b["time_unit"]] / frames))

target = {"single-pass": 10.0, "multi-pass": 40.0}
width = max(len(r[0]) for r in rows) if rows else 10
print(f"{'effect':<{width}}  {'kind':<11}  {'ms/frame':>8}  {'fps':>7}")
misses = 0
for name, kind, ms in rows:
    miss = ms > target[kind]
    misses += miss
    print(f"{name:<{width}}  {kind:<11}  {ms:8.2f}  {1e3 / ms:7.1f}{'  MISS' if miss else ''}")
print(f"{len(rows)} rows, {misses} under target (single-pass >= 100 fps, multi-pass >= 25 fps)")
EOF
