#!/usr/bin/env bash
# Large projects: N entries (the 12 bench photos repeated, 640x360, 1 s each at 25 fps, every third
# entry joined to the next by a transition, the effect changing each time) are loaded, loaded and
# checked, and (for the largest N only, unless RENDER_ALL=1) rendered. For each step: wall time,
# CPU time (user + system) and peak RSS from /usr/bin/time -v; for the creation also the time from
# the start to the first frame (load + check + preparation). The load average is printed beside,
# because the machine may be shared. Run it niced: nice -n 10 bench/large_project.sh
#
#   bench/large_project.sh [trov] [N...]        (defaults: build/release/src/cli/trov 250 500 1000)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TROV=${1:-$ROOT/build/release/src/cli/trov}
shift || true
SIZES=("$@")
[ ${#SIZES[@]} -gt 0 ] || SIZES=(250 500 1000)
PHOTOS=${BENCH_PHOTOS:-/work/shared/bench-photos}
[ -x "$TROV" ] || { echo "no trov at $TROV"; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)"; exit 1; }
mapfile -t FILES < <(ls "$PHOTOS"/*.jpg | sort | head -12)
[ ${#FILES[@]} -gt 0 ] || { echo "no photos in $PHOTOS (set BENCH_PHOTOS)"; exit 1; }
WORK=$(mktemp -d /tmp/trov-large.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
EFFECTS=("Cross Dissolve" "Box-Wipe" "Iris (Round)" "Zoom-In" "Blur-Fade" "Page-Roll (Left - Right)"
         "Lens-Zoom-In" "Stretch-Cross-Dissolve (Left-Right)" "Curved Zoom-In (Top-Right)")

write_project() {  # N path
  local n=$1 i
  {
    echo "[PROJECT_SETTINGS]"
    echo "Output-AVI=$WORK/large.avi"
    echo "Movie-Size-X=640"; echo "Movie-Size-Y=360"; echo "FramesPerSeconds=25.000000"
    for ((i = 0; i < n; i++)); do
      echo "[PICTURE_$i]"
      echo "FileName=${FILES[i % ${#FILES[@]}]}"
      echo "ShowPicture=25"
      echo "Text-FadeIn=0"; echo "Text-FadeOut=0"
      if ((i % 3 == 0 && i < n - 1)); then
        echo "Fade2NextPicture=10"; echo "Fading2NextPictureName=${EFFECTS[(i / 3) % ${#EFFECTS[@]}]}"
      else
        echo "Fade2NextPicture=0"; echo "Fading2NextPictureName=Cross Dissolve"
      fi
      echo "PictureText=Entry $i"
    done
  } > "$2"
}

# "wall cpu rss_mb" of a /usr/bin/time -v report.
measure() {
  local f=$1 wall user sys rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$f")
  user=$(sed -n 's/.*User time (seconds): //p' "$f")
  sys=$(sed -n 's/.*System time (seconds): //p' "$f")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$f")
  printf '%10s %8.2f %8.1f' "$wall" "$(echo "$user + $sys" | bc)" "$(echo "$rss / 1024" | bc -l)"
}

# Prints each line of stdin with the seconds since $1 (an EPOCHREALTIME) in front.
stamp() {
  local t0=$1 line
  while IFS= read -r line; do
    printf '%8.2f %s\n' "$(echo "$EPOCHREALTIME - $t0" | bc)" "$line"
  done
}

codec=$WORK/cs.ini
cp "$ROOT/demo/cs_demo.ini" "$codec"
largest=${SIZES[-1]}
printf '%-6s %-14s %10s %8s %8s  %s\n' entries step wall cpu_s rss_mb "load average"
for n in "${SIZES[@]}"; do
  project=$WORK/large-$n.ini
  write_project "$n" "$project"
  home=$WORK/home-$n
  mkdir -p "$home"
  # Load: the project is read, its entries listed.
  TROV_HOME=$home /usr/bin/time -v -o "$WORK/t-load" "$TROV" -PROJECT "$project" --quiet > /dev/null 2>&1
  printf '%-6s %-14s %s  %s\n' "$n" load "$(measure "$WORK/t-load")" "$(cut -d' ' -f1-3 /proc/loadavg)"
  if [ "$n" = "$largest" ] || [ "${RENDER_ALL:-0}" = 1 ]; then
    t0=$EPOCHREALTIME
    (TROV_HOME=$home /usr/bin/time -v -o "$WORK/t-create" "$TROV" -PROJECT "$project" -CREATE "$codec" \
       --output "$WORK/large.avi" 2>&1 || echo "trov failed: $?") | stamp "$t0" > "$WORK/create-$n.log"
    grep -q "trov failed" "$WORK/create-$n.log" && { cat "$WORK/create-$n.log"; exit 1; }
    check=$(awk '/Checking consistency/ && !c {c = $1} /Creating the movie/ && !m {m = $1} END {printf "%.2f", m - c}' \
      "$WORK/create-$n.log")
    first=$(awk '/Creating the movie/ {print $1; exit}' "$WORK/create-$n.log")
    printf '%-6s %-14s %s  %s   (check %ss, first frame after %ss)\n' "$n" "load+check+render" \
      "$(measure "$WORK/t-create")" "$(cut -d' ' -f1-3 /proc/loadavg)" "$check" "$first"
    frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 \
      "$WORK/large.avi")
    echo "       movie: $frames frames"
    rm -f "$WORK/large.avi"
  else
    # Load and check only: the creation is stopped (Ctrl+C) once the first frame is being written.
    t0=$EPOCHREALTIME
    TROV_HOME=$home /usr/bin/time -v -o "$WORK/t-check" "$TROV" -PROJECT "$project" -CREATE "$codec" \
      --output "$WORK/large.avi" > >(stamp "$t0" > "$WORK/check-$n.log") 2>&1 &
    timer=$!
    until grep -q "Creating the movie" "$WORK/check-$n.log" 2>/dev/null || ! kill -0 "$timer" 2>/dev/null; do
      sleep 0.2
    done
    child=$(pgrep -P "$timer" -x trov || true)
    [ -n "$child" ] && kill -INT "$child"
    wait "$timer" || true
    sleep 0.5
    check=$(awk '/Checking consistency/ && !c {c = $1} /Creating the movie/ && !m {m = $1} END {printf "%.2f", m - c}' \
      "$WORK/check-$n.log")
    printf '%-6s %-14s %s  %s   (check %ss)\n' "$n" "load+check" "$(measure "$WORK/t-check")" \
      "$(cut -d' ' -f1-3 /proc/loadavg)" "$check"
  fi
done
