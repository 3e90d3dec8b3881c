#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for a program run by systemd or cron: records its arguments, each
# ended by a NUL, in the file beside itself named after it plus ".arguments".
printf '%s\0' "$@" > "$0.arguments"
