#!/usr/bin/env bash
# Makes the seeds of the movie fuzzer in fuzz/corpus/movie/: a tiny movie of every container and
# codec the player is tested with, six frames each with a moment of sound, so that mutations
# start from real packets of each kind.
#   fuzz/make-movie-seeds.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
out=corpus/movie
mkdir -p "$out"

make() {
    local name=$1 size=$2
    shift 2
    ffmpeg -hide_banner -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.24" -frames:v 6 "$@" \
        "$out/$name"
}

make mjpeg.avi 32x24 -c:v mjpeg -c:a pcm_u8
make mpeg4-bframes.avi 32x24 -c:v mpeg4 -bf 2 -c:a pcm_u8
make dropped.avi 32x24 -vf "select='not(eq(n,2))'" -fps_mode passthrough -c:v mjpeg -an
make msvideo1.avi 32x24 -vf format=rgb555le -c:v msvideo1 -an
make h264.mov 32x24 -c:v libx264 -preset ultrafast -bf 2 -c:a pcm_u8
make qtrle.mov 32x24 -vf format=rgb24 -c:v qtrle -an
make prores.mov 32x24 -c:v prores_ks -an
make vfr.mov 32x24 -vf "setpts='(N+floor(N/2))/25/TB'" -fps_mode passthrough -c:v libx264 \
    -preset ultrafast -an
make late.mp4 32x24 -c:v libx264 -preset ultrafast -c:a aac -output_ts_offset 1.5
make vfr.mkv 32x24 -vf "setpts='(N+floor(N/2))/25/TB'" -fps_mode passthrough -c:v libx264 \
    -preset ultrafast -an
make hevc.mkv 32x24 -c:v libx265 -preset ultrafast -x265-params log-level=error -an
make vp9.webm 32x24 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus
make mpeg1.mpg 32x24 -c:v mpeg1video -c:a mp2 -f mpeg
make mpeg2-bframes.mpg 32x24 -c:v mpeg2video -bf 2 -c:a mp2 -f mpeg
make mpeg1-es.mpg 32x24 -c:v mpeg1video -an -f mpeg1video
make h264.ts 32x24 -c:v libx264 -preset ultrafast -bf 2 -c:a aac -f mpegts
make h264.m2ts 32x24 -c:v libx264 -preset ultrafast -c:a aac -f mpegts -mpegts_m2ts_mode 1
make mpeg2.ts 32x24 -c:v mpeg2video -bf 2 -c:a mp2 -f mpegts
