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

# A copy of a seed that tells players to turn its pictures (the tag counts counter-clockwise),
# as phones store portrait movies; an encoder drops the tag, so it is written by a copy.
turned() {
    local name=$1 from=$2 counterClockwise=$3
    ffmpeg -hide_banner -nostdin -v error -y -i "$out/$from" -map 0 -c copy \
        -metadata:s:v:0 rotate="$counterClockwise" "$out/$name"
    rm "$out/$from"
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

# Movies as phones, cameras and the web make them: turned pictures, sample aspects, interlacing,
# intra refresh, HDR side data, and the web's and phones' containers.
make stored-h264.mp4 32x24 -c:v libx264 -preset ultrafast -c:a aac
turned portrait-h264.mp4 stored-h264.mp4 270
make stored-hevc10.mp4 32x24 -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le \
    -x265-params log-level=error -tag:v hvc1 -an
turned portrait-hevc10.mp4 stored-hevc10.mp4 90
make stored.mov 32x24 -c:v libx264 -preset ultrafast -c:a pcm_u8
turned upside-down.mov stored.mov 180
make anamorphic-mpeg2.vob 32x24 -c:v mpeg2video -bf 2 -aspect 16:9 -c:a mp2 -f vob
make pal-dv.avi 720x576 -frames:v 1 -c:v dvvideo -pix_fmt yuv420p -aspect 4:3 -an
make interlaced-h264.mts 32x24 -c:v libx264 -preset ultrafast -flags +ildct+ilme -top 1 \
    -c:a aac -f mpegts -mpegts_m2ts_mode 1
make intra-refresh-h264.mp4 32x24 -c:v libx264 -preset ultrafast -x264-params \
    intra-refresh=1:keyint=3 -an
make hdr10-hevc.mkv 32x24 -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le \
    -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -x265-params \
    "log-level=error:hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1):max-cll=1000,400" \
    -an
make wmv2.wmv 32x24 -c:v wmv2 -c:a wmav2
make h264.flv 32x24 -c:v libx264 -preset ultrafast -c:a aac -ar 44100
make h263.3gp 128x96 -c:v h263 -c:a aac
make theora.ogv 32x24 -c:v libtheora -c:a libvorbis

# MPEG at the low rates of Video CDs, DVDs and small files: several pictures share a packet of
# the system layer, and only the first of them has a time of its own.
make untimed-mpeg1.mpg 32x24 -c:v mpeg1video -q:v 31 -c:a mp2 -f mpeg
make untimed-mpeg2.mpg 32x24 -c:v mpeg2video -q:v 31 -bf 2 -c:a mp2 -f mpeg
make untimed-vcd.dat 32x24 -c:v mpeg1video -q:v 31 -bf 2 -c:a mp2 -f vcd
make repeated.vob 32x24 -r 30000/1001 -c:v mpeg2video -q:v 31 -bf 2 -c:a mp2 -f vob
