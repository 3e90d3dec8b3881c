#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entries, the metainfo and the manual, read by the tools the
# desktop and the distribution read them with. A tool that is not installed is
# named and left out; with none of them, the test is skipped (77).
# Usage: check-desktop-files.sh SOURCE_ROOT
set -u
root=$1
failed=0
ran=0

if command -v desktop-file-validate >/dev/null; then
    ran=1
    desktop-file-validate "$root/startup/quillvault.desktop" "$root/desktop/quillvault-library.desktop" || failed=1
else
    echo "desktop-file-validate is not installed (Debian: desktop-file-utils): entries not checked"
fi

if command -v appstreamcli >/dev/null; then
    ran=1
    appstreamcli validate --no-net "$root"/desktop/metainfo/*.metainfo.xml || failed=1
else
    echo "appstreamcli is not installed (Debian: appstream): metainfo not checked"
fi

if command -v man >/dev/null; then
    ran=1
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/man/quillvault-cli.1" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$warnings"
        failed=1
    fi
else
    echo "man is not installed (Debian: man-db): the manual not checked"
fi

[ "$ran" = 1 ] || exit 77
exit $failed
