#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo file, and checks that the desktop entry
# offers the player for every format it opens frame-exactly.
# Usage: desktopentry_metainfo_test.sh DESKTOP_FILE_VALIDATE APPSTREAMCLI DESKTOP_ENTRY METAINFO
set -euo pipefail
desktop_file_validate=$1 appstreamcli=$2 desktop_entry=$3 metainfo=$4

required_types=(
    video/x-msvideo video/avi video/msvideo # AVI
    video/quicktime                         # QuickTime
    video/mp4                               # MP4
    video/mpeg video/x-mpeg video/mpg       # MPEG program and elementary streams, Video CD .DAT
    video/x-matroska                        # Matroska
    video/webm                              # WebM
    video/mp2t video/vnd.dlna.mpeg-tts      # MPEG transport streams
)

status=0
"$desktop_file_validate" "$desktop_entry" || status=1
"$appstreamcli" validate --no-net "$metainfo" || status=1

IFS=';' read -ra listed_types < <(sed -n 's/^MimeType=//p' "$desktop_entry") || true
for type in "${required_types[@]}"; do
    if [[ ! " ${listed_types[*]} " =~ " $type " ]]; then
        echo "MimeType of $desktop_entry lacks $type" >&2
        status=1
    fi
done
exit "$status"
