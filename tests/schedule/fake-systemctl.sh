#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for systemctl: appends its arguments as one line to
# $FAKE_SYSTEMCTL_LOG and, when $FAKE_SYSTEMCTL_FAILS is set, fails as
# systemctl does on a system without a user service manager.
echo "$*" >> "$FAKE_SYSTEMCTL_LOG"
if [ -n "${FAKE_SYSTEMCTL_FAILS:-}" ]; then
    echo "Failed to connect to bus: No medium found" >&2
    exit 1
fi
