#!/usr/bin/env bash
# Prepares the scorecard's material in DIR (default build/score-material): 60 s music excerpts
# from Debian packages that ship recorded music, mixed to mono, and espeak-ng speech in two
# voices, all resampled to 48 kHz with sox and written as 32-bit float WAV (no dither, so the
# files are the same on every run). Files already made are kept. index.txt lists them for
# quellor-render --scorecard. --quick makes only the first excerpt (the regression subset's).
set -euo pipefail
dir=build/score-material
quick=0
for a in "$@"; do
  case "$a" in
    --quick) quick=1 ;;
    *) dir=$a ;;
  esac
done
mkdir -p "$dir"
index="$dir/index.txt.new"
: >"$index"

drascula=/usr/share/scummvm/drascula/audio
hedgewars=/usr/share/games/hedgewars/Data/Music

# music FILE.wav SOURCE START LABEL...: 60 s of SOURCE from START seconds.
music() {
  local out=$1 src=$2 start=$3; shift 3
  if [ ! -f "$src" ]; then
    echo "score-material: $src is missing (its package is not installed)" >&2
    return 1
  fi
  [ -s "$dir/$out" ] || sox -G "$src" -b 32 -e floating-point "$dir/$out" remix - trim "$start" 60 rate -v 48000
  echo "music $out $*" >>"$index"
}

# speech FILE.wav VOICE: the same text in one espeak-ng voice.
speech() {
  local out=$1 voice=$2
  if [ ! -s "$dir/$out" ]; then
    espeak-ng -v "$voice" -w "$dir/$out.raw.wav" "$TEXT"
    sox -G "$dir/$out.raw.wav" -b 32 -e floating-point "$dir/$out" rate -v 48000
    rm -f "$dir/$out.raw.wav"
  fi
  echo "speech $out espeak-ng $voice" >>"$index"
}

TEXT="Good evening, and welcome to the hall. Before we begin, a few words about tonight. \
The first half is a reading from the letters of a lighthouse keeper, written over twelve winters \
on a rock far out in the northern sea. He wrote about the weather, the ships that passed, the \
birds that rested on the rail, and the long silence after a storm. After the interval the choir \
will sing, and then there is time for your questions. Please keep your telephones switched off, \
and if you need to leave, the doors at the back stay open all evening. The microphones on the \
stage are live, so speak close to them when you ask your question, and we will all hear you. \
Thank you for coming out on such a cold night. Let us begin."

music drascula-track2.wav "$drascula/track2.ogg" 0 drascula-music track 2, 0..60 s
if [ "$quick" -eq 0 ]; then
  music drascula-track5.wav "$drascula/track5.ogg" 0 drascula-music track 5, 0..60 s
  music drascula-track30.wav "$drascula/track30.ogg" 0 drascula-music track 30, 0..60 s
  music hedgewars-castle.wav "$hedgewars/Castle.ogg" 30 hedgewars-data Castle, 30..90 s
  music hedgewars-city.wav "$hedgewars/City.ogg" 30 hedgewars-data City, 30..90 s
  music hedgewars-oriental.wav "$hedgewars/oriental.ogg" 30 hedgewars-data oriental, 30..90 s
  speech speech-en-gb.wav en-gb
  speech speech-en-us-f3.wav en-us+f3
fi
mv "$index" "$dir/index.txt"
