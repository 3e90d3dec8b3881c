#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for systemctl: appends its arguments as one line to
# $FAKE_SYSTEMCTL_LOG. When $FAKE_SYSTEMCTL_FAILS is set, it fails as systemctl
# does on a system without a user service manager; when
# $FAKE_SYSTEMCTL_REFUSES is set, a running manager refuses to enable a unit;
# $FAKE_SYSTEMCTL_SLEEPS seconds pass before it answers at all.
echo "$*" >> "$FAKE_SYSTEMCTL_LOG"
if [ -n "${FAKE_SYSTEMCTL_SLEEPS:-}" ]; then
    # Ended while it waits, it ends its sleep too.
    sleep "$FAKE_SYSTEMCTL_SLEEPS" &
    trap 'kill $! 2>/dev/null; exit 143' TERM
    wait $!
    trap - TERM
fi
if [ -n "${FAKE_SYSTEMCTL_FAILS:-}" ]; then
    echo "Failed to connect to bus: No medium found" >&2
    exit 1
fi
if [ -n "${FAKE_SYSTEMCTL_REFUSES:-}" ]; then
    case "$2" in
    is-system-running) echo running ;;
    enable)
        echo "Failed to enable unit: Unit file $4 is masked." >&2
        exit 1
        ;;
    esac
fi
