#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entries, the metainfo, the manuals and the changelog, read by the
# tools the desktop and the distribution read them with; a hint counts as a
# failure, as it would keep a package out of a software centre. A tool that is
# not installed is named and left out; with none of them, the test is skipped (77).
# Usage: check-desktop-files.sh SOURCE_ROOT BUILD_ROOT VERSION
set -u
root=$1
build=$2
version=$3
failed=0
ran=0

if command -v desktop-file-validate >/dev/null; then
    ran=1
    said=$(desktop-file-validate "$root/startup/quillvault.desktop" "$root/desktop/quillvault-library.desktop" 2>&1)
    if [ $? -ne 0 ] || [ -n "$said" ]; then
        echo "$said"
        failed=1
    fi
else
    echo "desktop-file-validate is not installed (Debian: desktop-file-utils): entries not checked"
fi

if command -v appstreamcli >/dev/null; then
    ran=1
    for file in "$build"/desktop/*.metainfo.xml; do
        said=$(appstreamcli validate --no-net --pedantic "$file" 2>&1)
        # Every issue, pedantic ones included, is a line "  X: id:line: tag".
        if [ $? -ne 0 ] || echo "$said" | grep -q '^ *[EWIP]: '; then
            echo "$said"
            failed=1
        fi
        # What the build fills in must have been filled in.
        if grep -q '@[A-Z]*@' "$file" || ! grep -q "<release version=\"$version\"" "$file"; then
            echo "$file: the homepage or the release $version is not filled in"
            failed=1
        fi
    done
else
    echo "appstreamcli is not installed (Debian: appstream): metainfo not checked"
fi

if command -v man >/dev/null; then
    ran=1
    for page in quillvault quillvault-cli quillvault-library; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$build/desktop/$page.1" 2>&1 >/dev/null)
        if [ -n "$warnings" ]; then
            echo "$page.1: $warnings"
            failed=1
        fi
    done
else
    echo "man is not installed (Debian: man-db): the manuals not checked"
fi

if command -v dpkg-parsechangelog >/dev/null; then
    ran=1
    scratch=$(mktemp)
    gzip -dc "$build/package/changelog.gz" >"$scratch"
    said=$(dpkg-parsechangelog -l "$scratch" --show-field Version 2>&1)
    if [ "$said" != "$version" ]; then
        echo "changelog.gz: the newest entry is not $version: $said"
        failed=1
    fi
    # Every entry is read without a complaint, not only the newest.
    said=$(dpkg-parsechangelog -l "$scratch" --all 2>&1 >/dev/null)
    if [ -n "$said" ]; then
        echo "changelog.gz: $said"
        failed=1
    fi
    rm -f "$scratch"
else
    echo "dpkg-parsechangelog is not installed (Debian: dpkg-dev): the changelog not checked"
fi

# Each PNG of an icon is as large as its name says, so the theme's folders hold
# the sizes they are named after (width and height are bytes 17 to 24).
for png in "$root"/startup/icons/A_MAIN/*.png "$root"/desktop/icons/*.png; do
    size=$(basename "$png" .png)
    found=$(od -An -tu1 -j16 -N8 "$png" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }')
    if [ "$found" != "${size}x${size}" ]; then
        echo "$png is $found, not ${size}x${size}"
        failed=1
    fi
done

[ "$ran" = 1 ] || exit 77
exit $failed
