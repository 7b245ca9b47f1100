#!/usr/bin/env bash
# Slide show of the 12 bench photos (name order) at 1280x720, 25 fps: 3 s shown + 1 s "Cross Dissolve"
# each, no captions (1175 frames). Measures in one run, per codec (MJPEG, H.264):
#   (a) trov end to end (project -> movie),
#   (b) ffmpeg encoding the movie's 1175 frames, read uncompressed, with the same settings (the floor),
#   (c) an ffmpeg slide show written the way an expert would (each photo read once, scale+pad,
#       loop, an xfade chain),
#   (d) MLT's melt, when installed (the photos with 1 s luma mixes).
# trov runs start without a picture cache. Prints median wall times, the ratios to (b), and trov's peak
# memory. Usage:
#   bench/creation_vs_ffmpeg.sh [build dir, default build/release] [width height] [trials]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/release}
W=${2:-1280}
H=${3:-720}
TRIALS=${4:-3}
PHOTOS=${BENCH_PHOTOS:-$ROOT/../shared/bench-photos}
TROV=$BUILD/src/cli/trov
[ -x "$TROV" ] || { echo "no trov at $TROV (build it first)"; exit 1; }
WORK=$(mktemp -d /tmp/trov-bench.XXXXXX)
[ -n "${BENCH_KEEP:-}" ] && echo "keeping $WORK" || trap 'rm -rf "$WORK"' EXIT
export TROV_HOME=$WORK/home

mapfile -t FILES < <(ls "$PHOTOS"/*.jpg | sort)
N=${#FILES[@]}

# Workload 2 (WORKLOAD=2): the same timeline, but every transition a different built-in effect, every
# picture captioned (outline 2, faded in and out with Cross Dissolve within its 3 s) and moving
# (alternately zooming in and out). (c) is then the same show as an FFmpeg expert would write it
# (slideshow2_args); melt (d) is not run for it.
WORKLOAD=${WORKLOAD:-1}
EFFECTS=("Iris (Round)" "Box-Wipe" "Zoom-In" "Blur-Fade" "Underwater Cross Dissolve" "Page-Roll (Left - Right)"
         "Raindrops (with Full-Crossfade)" "Lens-Zoom-In" "Stretch-Cross-Dissolve (Left-Right)"
         "Curved Zoom-In (Top-Right)" "Random Circle Cross Dissolve" "Cross Dissolve")

# ---- the project ----
{
  echo "[PROJECT_SETTINGS]"
  echo "Output-AVI=$WORK/trov.avi"
  echo "Movie-Size-X=$W"; echo "Movie-Size-Y=$H"; echo "FramesPerSeconds=25.000000"
  i=0
  for f in "${FILES[@]}"; do
    echo "[PICTURE_$i]"; echo "FileName=$f"
    echo "Fade2NextPicture=$([ $i -lt $((N - 1)) ] && echo 25 || echo 0)"
    if [ "$WORKLOAD" = 2 ]; then
      name=$(basename "$f" .jpg); name=${name#*_}
      echo "Text-FadeIn=12"; echo "ShowPicture=51"; echo "Text-FadeOut=12"
      echo "PictureText=${name//_/ }"; echo "Fading2NextPictureName=${EFFECTS[$((i % ${#EFFECTS[@]}))]}"
      echo "TextFadeInEffectName=Cross Dissolve"; echo "TextFadeOutEffectName=Cross Dissolve"
      echo "Font_Height=-44"; echo "Font_Weight=700"; echo "Font_Name=DejaVu Sans"
      echo "TextBackWidth=2"; echo "TextPosition=1"; echo "PictureMove=1"
      if [ $((i % 2)) = 0 ]; then echo "PictureMoveSettings=0.000000|0.000000|0.000000|0.000000|20.000000|15.000000|10.000000|25.000000|"
      else echo "PictureMoveSettings=15.000000|10.000000|20.000000|20.000000|0.000000|0.000000|0.000000|0.000000|"; fi
    else
      echo "Text-FadeIn=0"; echo "ShowPicture=75"; echo "Text-FadeOut=0"
      echo "PictureText="; echo "Fading2NextPictureName=Cross Dissolve"
    fi
    i=$((i + 1))
  done
} > "$WORK/show.ini"
FRAMES=$((N * 75 + (N - 1) * 25))

mjpg=$(printf '%d' 0x47504A4D)   # "MJPG"
h264=$(printf '%d' 0x34363248)   # "H264"
cs() {  # fourcc quality state-text
  local state=$3
  echo "[Video]"; echo "fccType=0"; echo "fccHandler=$1"; echo "dwKeyFrameEvery=25"; echo "dwQuality=$2"
  echo "dwBytesPerSecond=0"; echo "dwFlags=4"; echo "dwInterleaveEvery=0"; echo "BufferSize=${#state}"
  for ((k = 0; k < ${#state}; k++)); do printf 'Byte%d=%d\n' "$k" "'${state:$k:1}"; done
  echo "Description=bench"; echo "[Audio]"; echo "Description=Not set!"
}
# MJPEG: quality 8143 is quantiser 3; H.264: quality 6286 is CRF 23, preset medium.
cs "$mjpg" 8143 "" > "$WORK/cs_mjpeg.ini"
cs "$h264" 6286 "preset=medium" > "$WORK/cs_h264.ini"

# ---- the ffmpeg slide show (c) ----
slideshow_args() {  # codec args...
  local args=() filter="" k=0 len
  for f in "${FILES[@]}"; do
    args+=(-framerate 25 -i "$f")
    if [ $k -eq 0 ] || [ $k -eq $((N - 1)) ]; then len=100; else len=125; fi
    filter+="[$k:v]scale=$W:$H:force_original_aspect_ratio=decrease,pad=$W:$H:(ow-iw)/2:(oh-ih)/2:black,"
    filter+="loop=loop=$((len - 1)):size=1:start=0,setpts=N/(25*TB),format=yuv420p[v$k];"
    k=$((k + 1))
  done
  local prev="v0" offset=3
  for ((k = 1; k < N; k++)); do
    filter+="[$prev][v$k]xfade=transition=fade:duration=1:offset=$offset[x$k];"
    prev="x$k"; offset=$((offset + 4))
  done
  filter=${filter%;}
  echo "${args[@]@Q} -filter_complex ${filter@Q} -map [$prev]"
}

# ---- the ffmpeg slide show of workload 2 (c): each photo read once and fitted into a picture of twice
# the movie's size, zoompan moving over it (zooming in on even pictures, out on odd ones, towards the
# same crop as the project), drawtext with a border whose alpha fades the caption in and out within
# the shown time, and an xfade chain of 12 different transitions. The graph goes into a script file,
# so its expressions need no shell quoting. ----
XFADES=(circleopen rectcrop zoomin hblur dissolve smoothleft distance circlecrop squeezeh diagtr pixelize fade)
FONT=${BENCH_FONT:-/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf}
slideshow2_args() {  # filter-script-file -> input args on stdout (one per line)
  local script=$1 filter="" k=0 len start name z x y
  for f in "${FILES[@]}"; do
    printf '%s\n' -i "$f"
    if [ $k -eq 0 ] || [ $k -eq $((N - 1)) ]; then len=100; else len=125; fi
    # The caption shows from the end of the incoming transition for 75 frames, fading over 12.
    if [ $k -eq 0 ]; then start=0; else start=25; fi
    name=$(basename "$f" .jpg); name=${name#*_}; name=${name//_/ }
    if [ $((k % 2)) = 0 ]; then  # from the whole picture to margins 20 % left, 15 % top, 10 % right, 25 % bottom
      z="1/(1-0.35*on/$((len - 1)))"; x="(iw-iw/zoom)*2/3"; y="(ih-ih/zoom)*0.375"
    else                         # from margins 15 %, 10 %, 20 %, 20 % back to the whole picture
      z="1/(1-0.325*(1-on/$((len - 1))))"; x="(iw-iw/zoom)*3/7"; y="(ih-ih/zoom)/3"
    fi
    filter+="[$k:v]scale=$((2 * W)):$((2 * H)):force_original_aspect_ratio=decrease,"
    filter+="pad=$((2 * W)):$((2 * H)):(ow-iw)/2:(oh-ih)/2:black,"
    filter+="zoompan=z='$z':x='$x':y='$y':d=$len:s=${W}x$H:fps=25,"
    filter+="drawtext=fontfile='$FONT':text='$name':fontsize=44:fontcolor=white:borderw=2:bordercolor=black:"
    filter+="x=(w-tw)/2:y=h-th-40:alpha='min(clip((n-$start)/12,0,1),clip(($start+75-n)/12,0,1))',"
    filter+="setpts=N/(25*TB),format=yuv420p[v$k];"$'\n'
    k=$((k + 1))
  done
  local prev="v0" offset=3
  for ((k = 1; k < N; k++)); do
    filter+="[$prev][v$k]xfade=transition=${XFADES[$(((k - 1) % ${#XFADES[@]}))]}:duration=1:offset=$offset[x$k];"$'\n'
    prev="x$k"; offset=$((offset + 4))
  done
  filter+="[$prev]null[out]"
  printf '%s\n' "$filter" > "$script"
}

# ---- MLT's melt slide show (d): the same photos, 1 s luma mixes, the same encoder options ----
melt_args() {  # encoder args (melt's avformat consumer properties)...
  local k=0 len
  for f in "${FILES[@]}"; do
    if [ $k -eq 0 ] || [ $k -eq $((N - 1)) ]; then len=100; else len=125; fi
    printf '%q out=%d ' "$f" $((len - 1))
    [ $k -gt 0 ] && printf -- '-mix 25 -mixer luma '
    k=$((k + 1))
  done
}
case "$W"x"$H" in 1280x720) MELT_PROFILE=atsc_720p_25 ;; 1920x1080) MELT_PROFILE=atsc_1080p_25 ;; *) MELT_PROFILE= ;; esac

now() { date +%s.%N; }
declare -A best
declare -A cpu
measure() {  # name command...  (median wall time of the trials; CPU seconds of that trial)
  local name=$1; shift
  local t0 t1 dt u s runs=()
  for ((r = 0; r < TRIALS; r++)); do
    t0=$(now); /usr/bin/time -o "$WORK/cpu" -f '%U %S' "$@" > /dev/null 2>&1 || { echo "$name failed"; return 1; }; t1=$(now)
    dt=$(echo "$t1 - $t0" | bc -l)
    read -r u s < "$WORK/cpu"
    runs+=("$dt $(echo "$u + $s" | bc -l)")
  done
  local mid
  mid=$(printf '%s\n' "${runs[@]}" | sort -g | sed -n "$(( (TRIALS + 1) / 2 ))p")
  best[$name]=${mid% *}
  cpu[$name]=${mid#* }
}

# Raw frames for (b): the movie itself, written uncompressed ("DIB "), so that the floor encodes the
# same pictures (encoders work harder on detailed photos than on smooth ones).
cs "$(printf '%d' 0x20424944)" 0 "" > "$WORK/cs_dib.ini"
sed "s|^Output-AVI=.*|Output-AVI=$WORK/frames.avi|" "$WORK/show.ini" > "$WORK/frames.ini"
"$TROV" -PROJECT "$WORK/frames.ini" -CREATE "$WORK/cs_dib.ini" > /dev/null 2>&1

for codec in mjpeg h264; do
  # (c) uses the encoder options as an FFmpeg user would; (b) also our GOP rules (one key frame per
  # second, no B-frames, no scene-cut key frames), which the pasting of cached parts needs.
  if [ $codec = mjpeg ]; then enc=(-c:v mjpeg -q:v 3 -pix_fmt yuvj420p); floor=("${enc[@]}")
  else enc=(-c:v libx264 -preset medium -crf 23 -pix_fmt yuv420p); floor=("${enc[@]}" -g 25 -bf 0 -x264-params scenecut=0); fi
  # Every trov run starts cold: no picture cache left from the run before.
  measure "a_$codec" bash -c 'rm -rf "$TROV_HOME/Temp"; exec "$@"' trov "$TROV" -PROJECT "$WORK/show.ini" -CREATE "$WORK/cs_$codec.ini"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$WORK/trov.avi")
  rm -rf "$TROV_HOME/Temp"
  /usr/bin/time -o "$WORK/mem" -f '%M %U %S' "$TROV" -PROJECT "$WORK/show.ini" -CREATE "$WORK/cs_$codec.ini" > /dev/null 2>&1
  read -r mem ucpu scpu < "$WORK/mem"
  measure "b_$codec" ffmpeg -nostdin -v error -y -i "$WORK/frames.avi" -frames:v "$FRAMES" "${floor[@]}" "$WORK/floor.avi"
  if [ "$WORKLOAD" = 2 ]; then
    mapfile -t inputs < <(slideshow2_args "$WORK/slideshow2.filter")
    measure "c_$codec" ffmpeg -nostdin -v error -y "${inputs[@]}" -filter_complex_script "$WORK/slideshow2.filter" \
      -map '[out]' -frames:v "$FRAMES" "${enc[@]}" "$WORK/slideshow.avi"
    cframes=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$WORK/slideshow.avi")
    a=${best[a_$codec]}; b=${best[b_$codec]}; c=${best[c_$codec]}
    printf '%-6s workload 2, %dx%d %d frames (trov wrote %s, ffmpeg %s): wall (a) trov %.2f s  (b) floor %.2f s  (c) ffmpeg slide show %.2f s  (a)/(b) %.2f  (c)/(b) %.2f  (a)/(c) %.2f\n' \
      $codec "$W" "$H" "$FRAMES" "$frames" "$cframes" "$a" "$b" "$c" "$(echo "$a / $b" | bc -l)" "$(echo "$c / $b" | bc -l)" "$(echo "$a / $c" | bc -l)"
    printf '%-6s   cpu (a) %.2f s  (b) %.2f s  (c) %.2f s   trov peak RSS %d MB\n' \
      $codec "${cpu[a_$codec]}" "${cpu[b_$codec]}" "${cpu[c_$codec]}" $((mem / 1024))
    continue
  fi
  eval "measure c_$codec ffmpeg -nostdin -v error -y $(slideshow_args) -frames:v $FRAMES ${enc[*]} $WORK/slideshow.avi"
  if command -v melt > /dev/null && [ -n "$MELT_PROFILE" ]; then
    if [ $codec = mjpeg ]; then menc="vcodec=mjpeg qscale=3 pix_fmt=yuvj420p"
    else menc="vcodec=libx264 preset=medium crf=23 pix_fmt=yuv420p"; fi
    # real_time=-2: two render threads and no dropped frames.
    eval "measure d_$codec melt -silent $(melt_args) -profile $MELT_PROFILE -consumer avformat:$WORK/melt.avi $menc an=1 real_time=-2"
  fi
  a=${best[a_$codec]}; b=${best[b_$codec]}; c=${best[c_$codec]}
  printf '%-6s %dx%d %d frames (trov wrote %s): wall (a) trov %.2f s  (b) floor %.2f s  (c) ffmpeg slide show %.2f s  (a)/(b) %.2f  (c)/(b) %.2f\n' \
    $codec "$W" "$H" "$FRAMES" "$frames" "$a" "$b" "$c" "$(echo "$a / $b" | bc -l)" "$(echo "$c / $b" | bc -l)"
  printf '%-6s   cpu (a) %.2f s  (b) %.2f s  (c) %.2f s  (a)/(b) %.2f  (c)/(b) %.2f   trov peak RSS %d MB\n' \
    $codec "${cpu[a_$codec]}" "${cpu[b_$codec]}" "${cpu[c_$codec]}" "$(echo "${cpu[a_$codec]} / ${cpu[b_$codec]}" | bc -l)" \
    "$(echo "${cpu[c_$codec]} / ${cpu[b_$codec]}" | bc -l)" $((mem / 1024))
  if [ -n "${best[d_$codec]:-}" ]; then
    printf '%-6s   melt (d) wall %.2f s  cpu %.2f s  (d)/(b) %.2f\n' $codec "${best[d_$codec]}" "${cpu[d_$codec]}" \
      "$(echo "${best[d_$codec]} / $b" | bc -l)"
  fi
done
