#!/usr/bin/env bash
# Runs `mur record` and reads what it wrote with other programs' readers:
# ffprobe (the AVI's codec, size, rate and frames), ImageMagick's identify
# (the GIF's frames and delay) and pdfinfo (the PDF's pages and page size).
# Readers that are not installed are skipped.
#
#   check_record.sh MUR OUT_DIR
set -euo pipefail
mur=$1
out=$2
rm -rf "$out"
report=$("$mur" record "$out")
echo "$report"
frames=$(sed -n 's/.*stroke\.avi (\([0-9]*\) frames).*/\1/p' <<<"$report")
[ -n "$frames" ] && [ "$frames" -gt 10 ] || { echo "FAIL: no frame count in the report"; exit 1; }
# The document took the stage pictures over.
if ls "$out"/stage*.png >/dev/null 2>&1; then echo "FAIL: stage pictures left"; exit 1; fi

if command -v ffprobe >/dev/null; then
    got=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries \
        stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 "$out/stroke.avi")
    want="rawvideo,320,200,25/1,$frames"
    [ "$got" = "$want" ] || { echo "FAIL: ffprobe says '$got', not '$want'"; exit 1; }
    echo "ffprobe: $got"
fi
if command -v identify >/dev/null; then
    got=$(identify -format '%T %wx%h\n' "$out/stroke.gif" | sort | uniq -c | tr -s ' ')
    want=" $frames 4 320x200"
    [ "$got" = "$want" ] || { echo "FAIL: identify says '$got', not '$want'"; exit 1; }
    echo "identify:$got"
fi
if command -v pdfinfo >/dev/null; then
    got=$(pdfinfo -f 1 -l 4 "$out/stroke.pdf" | grep -E '^(Pages|Page +[0-9]+ size):' | tr -s ' ' | sed 's/ (.*//')
    want=$'Pages: 4\nPage 1 size: 270 x 180 pts\nPage 2 size: 270 x 180 pts\nPage 3 size: 270 x 180 pts\nPage 4 size: 270 x 180 pts'
    [ "$got" = "$want" ] || { echo "FAIL: pdfinfo says '$got'"; exit 1; }
    echo "pdfinfo: 4 pages of 270 x 180 pts"
fi
echo "recording checked"
