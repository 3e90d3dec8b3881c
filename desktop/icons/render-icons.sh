#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG sizes of the Library's icon from its SVG (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" quillvault-library.svg -o "$size.png"
done
