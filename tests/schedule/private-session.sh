#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program with the services it talks to started privately, never
# the user's own: a systemd user manager (in a mount namespace of its own when
# this system was not booted with systemd) and a keyring on a session bus of
# its own. What cannot be started here is left out; the tests that need it
# skip and say why. Usage: private-session.sh PROGRAM [ARGS...]
set -u

systemd_binary() {
    for candidate in /lib/systemd/systemd /usr/lib/systemd/systemd; do
        if [ -x "$candidate" ]; then echo "$candidate"; return 0; fi
    done
    return 1
}

case "${QV_SESSION_STAGE:-outside}" in
outside)
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -m 700 "$work/run"
    mkdir -p "$work/config" "$work/data" "$work/home"
    export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work/home"
    unset DBUS_SESSION_BUS_ADDRESS QUILLVAULT_TEST_USER_MANAGER QUILLVAULT_TEST_KEYRING
    # A user manager wants /run/systemd/system; where the system was not booted
    # with systemd, a namespace of our own gets an empty one.
    if [ ! -d /run/systemd/system ] && unshare --mount true 2>/dev/null; then
        QV_SESSION_STAGE=namespace unshare --mount sh "$0" "$@"
    else
        QV_SESSION_STAGE=namespace sh "$0" "$@"
    fi
    exit $?
    ;;
namespace)
    if [ ! -d /run/systemd/system ]; then
        [ -d /run/systemd ] && mount -t tmpfs tmpfs /run/systemd 2>/dev/null &&
            mkdir /run/systemd/system
    fi
    if command -v dbus-run-session >/dev/null; then
        QV_SESSION_STAGE=bus exec dbus-run-session -- sh "$0" "$@"
    fi
    QV_SESSION_STAGE=bus exec sh "$0" "$@"
    ;;
esac

if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v gnome-keyring-daemon >/dev/null; then
    # A new login keyring, unlocked with this password, in $XDG_DATA_HOME.
    if printf 'private-session' | gnome-keyring-daemon --unlock --components=secrets >/dev/null; then
        export QUILLVAULT_TEST_KEYRING=1
    fi
fi

manager=""
if [ -d /run/systemd/system ] && systemd=$(systemd_binary); then
    "$systemd" --user >"$XDG_RUNTIME_DIR/manager.log" 2>&1 &
    manager=$!
    # systemctl can ask once the manager's private socket is there.
    tries=0
    while [ ! -S "$XDG_RUNTIME_DIR/systemd/private" ] && kill -0 "$manager" 2>/dev/null && [ $tries -lt 600 ]; do
        sleep 0.05
        tries=$((tries + 1))
    done
    if timeout 60 systemctl --user is-system-running --wait >/dev/null 2>&1 ||
        [ "$(systemctl --user is-system-running 2>/dev/null)" = degraded ]; then
        export QUILLVAULT_TEST_USER_MANAGER=1
    else
        echo "private-session: the user manager did not start:" >&2
        cat "$XDG_RUNTIME_DIR/manager.log" >&2
    fi
fi

"$@"
status=$?
if [ -n "$manager" ]; then
    systemctl --user exit >/dev/null 2>&1 || kill "$manager" 2>/dev/null
    wait "$manager"
fi
exit $status
