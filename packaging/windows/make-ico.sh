#!/usr/bin/env bash
# Puts PNG pictures into one Windows icon file (the ICO format holds PNG images as they are).
#   make-ico.sh OUT.ico SIZE:PICTURE.png ...      (SIZE 1 to 256)
set -euo pipefail
out=$1
shift
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
{
    le16 0; le16 1; le16 $#
    offset=$((6 + 16 * $#))
    for entry in "$@"; do
        size=${entry%%:*} file=${entry#*:}
        bytes=$(stat -c %s "$file")
        printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size & 255)))\\x00\\x00"
        le16 1; le16 32; le32 "$bytes"; le32 "$offset"
        offset=$((offset + bytes))
    done
    for entry in "$@"; do cat "${entry#*:}"; done
} >"$out"
