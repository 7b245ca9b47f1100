#!/usr/bin/env bash
# Renders the demo and a 12-photo workload (captions, picture moves, 12 different transitions,
# 640x360, uncompressed), and a 6-photo workload with an audio track in two formats, with a given
# trov and writes each movie's `ffmpeg -f framemd5` (the audio workload's with its audio packets). With a
# reference folder from an earlier run it compares the hashes and says which frames differ.
# A change of shape (refactoring) must leave both identical. Usage:
#   bench/framemd5_compare.sh <trov> <output folder> [reference folder]
# Each run starts without a cache (a scratch TROV_HOME), so the results do not depend on earlier runs,
# and with a fixed TROV_SEED, so that the random effects (raindrops, circles, waves) draw alike.
set -euo pipefail
export TROV_SEED=${TROV_SEED:-1}

ROOT=$(cd "$(dirname "$0")/.." && pwd)
TROV=${1:?usage: $0 <trov> <output folder> [reference folder]}
OUT=${2:?usage: $0 <trov> <output folder> [reference folder]}
REF=${3:-}
PHOTOS=${BENCH_PHOTOS:-$ROOT/../shared/bench-photos}
[ -d "$PHOTOS" ] || PHOTOS=/work/shared/bench-photos
ls "$PHOTOS"/*.jpg > /dev/null 2>&1 || { echo "no photos in $PHOTOS (set BENCH_PHOTOS)"; exit 1; }
[ -x "$TROV" ] || { echo "no trov at $TROV"; exit 1; }
TROV=$(cd "$(dirname "$TROV")" && pwd)/$(basename "$TROV")
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
WORK=$(mktemp -d /tmp/trov-framemd5.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# ---- the demo, from a copy so that nothing in the tree changes ----
cp -r "$ROOT/demo" "$WORK/demo"
(cd "$WORK" && TROV_HOME=$WORK/home-demo "$TROV" -PROJECT demo/demo.ini -CREATE demo/cs_demo.ini \
   --output "$WORK/demo.avi" > "$OUT/demo.log" 2>&1) || { echo "demo render failed (see $OUT/demo.log)"; exit 1; }
ffmpeg -nostdin -y -v error -i "$WORK/demo.avi" -map 0:v -f framemd5 "$OUT/demo.framemd5"
rm -f "$WORK/demo.avi"

# ---- the demo again with the video stream cache on: a cold run records the parts, a warm run
# pastes them (the permanent cache keeps them between runs); the warm run's movie is hashed ----
HOME_SC=$WORK/home-cache
(cd "$WORK" && TROV_HOME=$HOME_SC "$TROV" -PROJECT demo/demo.ini -CREATE demo/cs_demo.ini --output "$WORK/seed.avi" > /dev/null 2>&1) || true
sed -i -e 's/^EnableVideoStreamCache=.*/EnableVideoStreamCache=1/' -e 's/^EnablePermanentCache=.*/EnablePermanentCache=1/' "$HOME_SC/Settings.ini"
rm -rf "$HOME_SC/Temp"
for run in cold warm; do
  (cd "$WORK" && TROV_HOME=$HOME_SC "$TROV" -PROJECT demo/demo.ini -CREATE demo/cs_demo.ini \
     --output "$WORK/cached.avi" > "$OUT/demo-cache-$run.log" 2>&1) || { echo "cached demo render ($run) failed"; exit 1; }
done
ffmpeg -nostdin -y -v error -i "$WORK/cached.avi" -map 0:v -f framemd5 "$OUT/demo-cache.framemd5"
rm -f "$WORK/cached.avi" "$WORK/seed.avi"

# ---- the 12-photo workload ----
EFFECTS=("Iris (Round)" "Box-Wipe" "Zoom-In" "Blur-Fade" "Underwater Cross Dissolve" "Page-Roll (Left - Right)"
         "Raindrops (with Full-Crossfade)" "Lens-Zoom-In" "Stretch-Cross-Dissolve (Left-Right)"
         "Curved Zoom-In (Top-Right)" "Random Circle Cross Dissolve" "Cross Dissolve")
mapfile -t FILES < <(ls "$PHOTOS"/*.jpg | sort | head -12)
N=${#FILES[@]}
{
  echo "[PROJECT_SETTINGS]"
  echo "Output-AVI=$WORK/photos.avi"
  echo "Movie-Size-X=640"; echo "Movie-Size-Y=360"; echo "FramesPerSeconds=25.000000"
  i=0
  for f in "${FILES[@]}"; do
    name=$(basename "$f" .jpg); name=${name#*_}
    echo "[PICTURE_$i]"; echo "FileName=$f"
    echo "Fade2NextPicture=$([ $i -lt $((N - 1)) ] && echo 25 || echo 0)"
    echo "Text-FadeIn=12"; echo "ShowPicture=51"; echo "Text-FadeOut=12"
    echo "PictureText=${name//_/ }"; echo "Fading2NextPictureName=${EFFECTS[$((i % ${#EFFECTS[@]}))]}"
    echo "TextFadeInEffectName=Cross Dissolve"; echo "TextFadeOutEffectName=Cross Dissolve"
    echo "Font_Height=-24"; echo "Font_Weight=700"; echo "Font_Name=DejaVu Sans"
    echo "TextBackWidth=2"; echo "TextPosition=1"; echo "PictureMove=1"
    if [ $((i % 2)) = 0 ]; then echo "PictureMoveSettings=0.000000|0.000000|0.000000|0.000000|20.000000|15.000000|10.000000|25.000000|"
    else echo "PictureMoveSettings=15.000000|10.000000|20.000000|20.000000|0.000000|0.000000|0.000000|0.000000|"; fi
    i=$((i + 1))
  done
} > "$WORK/photos.ini"
{
  echo "[Video]"; echo "fccType=0"; echo "fccHandler=$(printf '%d' 0x20424944)"; echo "dwKeyFrameEvery=25"
  echo "dwQuality=0"; echo "dwBytesPerSecond=0"; echo "dwFlags=4"; echo "dwInterleaveEvery=0"; echo "BufferSize=0"
  echo "Description=uncompressed"; echo "[Audio]"; echo "Description=Not set!"
} > "$WORK/cs_dib.ini"
TROV_HOME=$WORK/home-photos "$TROV" -PROJECT "$WORK/photos.ini" -CREATE "$WORK/cs_dib.ini" > "$OUT/photos.log" 2>&1 \
  || { echo "workload render failed (see $OUT/photos.log)"; exit 1; }
ffmpeg -nostdin -y -v error -i "$WORK/photos.avi" -map 0:v -f framemd5 "$OUT/photos.framemd5"
rm -f "$WORK/photos.avi"

# ---- an audio workload: 6 photos at 320x180 with pieces that fade in, cross-fade, loop, start late
# and are normalised, from WAV, FLAC and MP3 sources; written once with PCM in AVI and once with MP3
# in MKV. Every stream's packets are hashed, the audio included ----
ffmpeg -nostdin -y -v error -f lavfi -i "sine=frequency=440:duration=3" -ac 2 -ar 44100 "$WORK/a.wav"
ffmpeg -nostdin -y -v error -f lavfi -i "sine=frequency=660:duration=5" -ac 1 -ar 22050 -af volume=0.3 "$WORK/b.flac"
ffmpeg -nostdin -y -v error -f lavfi -i "sine=frequency=330:duration=4" -ac 2 -ar 48000 -c:a libmp3lame -b:a 96k "$WORK/c.mp3"
{
  echo "[PROJECT_SETTINGS]"
  echo "Movie-Size-X=320"; echo "Movie-Size-Y=180"; echo "FramesPerSeconds=25.000000"
  for i in 0 1 2 3 4 5; do
    echo "[PICTURE_$i]"; echo "FileName=${FILES[$i]}"
    echo "Fade2NextPicture=$([ $i -lt 5 ] && echo 20 || echo 0)"; echo "ShowPicture=40"
    echo "Fading2NextPictureName=Cross Dissolve"
    case $i in
      0) echo "AudioFile=$WORK/a.wav"; echo "FadeOption=1"; echo "AudioFadingTime=800"; echo "LoopAudio=1" ;;
      2) echo "AudioFile=$WORK/b.flac"; echo "FadeOption=3"; echo "AudioFadingTime=600"; echo "NormalizeAudio=1" ;;
      3) echo "AudioFile=$WORK/c.mp3"; echo "FadeOption=3"; echo "SynchronizeFF2NP=1"; echo "AudioStartTime=700" ;;
      5) echo "AudioFile=$WORK/a.wav"; echo "FadeOption=2"; echo "AudioFadingTime=1000" ;;
    esac
  done
} > "$WORK/audio.ini"
audio_cs() {  # $1 video FOURCC, $2 description, $3 format tag, $4 channels, $5 rate, $6 bytes/s, $7 block, $8 bits
  echo "[Video]"; echo "fccType=0"; echo "fccHandler=$(printf '%d' "$1")"; echo "dwKeyFrameEvery=25"
  echo "dwQuality=9000"; echo "dwBytesPerSecond=0"; echo "dwFlags=4"; echo "dwInterleaveEvery=0"; echo "BufferSize=0"
  echo "Description=video"; echo "[Audio]"
  local bytes=($(( $3 & 255 )) $(( $3 >> 8 )) $4 0 $(( $5 & 255 )) $(( ($5 >> 8) & 255 )) $(( $5 >> 16 )) 0
               $(( $6 & 255 )) $(( ($6 >> 8) & 255 )) $(( $6 >> 16 )) 0 $7 0 $8 0 0 0)
  for k in $(seq 0 17); do echo "Byte$k=${bytes[$k]}"; done
  echo "Description=$2"
}
audio_cs 0x20424944 "44,100 Hz, 16 Bit, Stereo" 1 2 44100 176400 4 16 > "$WORK/cs_pcm.ini"
audio_cs 0x47504A4D "128 kBit/s, 44,100 Hz, Stereo" 85 2 44100 16000 1 0 > "$WORK/cs_mp3.ini"
for a in pcm:avi mp3:mkv; do
  codec=${a%:*} ext=${a#*:}
  TROV_HOME=$WORK/home-audio-$codec "$TROV" -PROJECT "$WORK/audio.ini" -CREATE "$WORK/cs_$codec.ini" \
    --output "$WORK/audio.$ext" > "$OUT/audio-$codec.log" 2>&1 || { echo "audio render ($codec) failed (see $OUT/audio-$codec.log)"; exit 1; }
  ffmpeg -nostdin -y -v error -i "$WORK/audio.$ext" -map 0 -f framemd5 "$OUT/audio-$codec.framemd5"
  grep -q "^1," "$OUT/audio-$codec.framemd5" || { echo "audio-$codec: the movie has no audio stream"; exit 1; }
  rm -f "$WORK/audio.$ext"
done

MOVIES=(demo demo-cache photos audio-pcm audio-mp3)
for m in "${MOVIES[@]}"; do
  echo "$m: $(grep -vc '^#' "$OUT/$m.framemd5") packets, md5 of the list $(grep -v '^#' "$OUT/$m.framemd5" | md5sum | cut -c1-12)"
done
[ -n "$REF" ] || exit 0
status=0
for m in "${MOVIES[@]}"; do
  if diff -q <(grep -v '^#' "$REF/$m.framemd5") <(grep -v '^#' "$OUT/$m.framemd5") > /dev/null; then
    echo "$m: IDENTICAL to $REF"
  else
    status=1
    echo "$m: DIFFERENT from $REF; first differing frames:"
    diff <(grep -v '^#' "$REF/$m.framemd5") <(grep -v '^#' "$OUT/$m.framemd5") | head -6
  fi
done
exit $status
