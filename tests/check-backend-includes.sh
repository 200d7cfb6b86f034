#!/usr/bin/env bash
# The Linux layer keeps one backend per folder: nothing under x11/ reaches
# AT-SPI, nothing under atspi/ reaches X11, and the display-free rules under
# rules/ use neither Qt nor Xlib calls (X11/X.h and X11/keysym.h are constants).
set -u
linux=${1:?usage: check-backend-includes.sh SRC_DIR}/platform/linux
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
failed=0

forbid() { # folder, pattern of included paths, what it must not reach
    local hits
    hits=$(grep -rnE "${include}($2)" "$linux/$1" 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$1/ must not include $3:"
        echo "$hits"
        failed=1
    fi
}

forbid x11 'atspi/|at-spi|platform/linux/atspi/' 'AT-SPI headers'
forbid atspi 'X11/|xcb/|platform/linux/x11/' 'X11 headers'
forbid rules 'Q[A-Za-z]|Qt[A-Za-z]*/|X11/(Xlib|Xutil|Xatom|extensions)|xcb/|platform/linux/(qt|x11|atspi)/' \
    'Qt, Xlib or display-bound headers'

[ "$failed" -eq 0 ] && echo "backend folders include only their own libraries"
exit "$failed"
