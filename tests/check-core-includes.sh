#!/usr/bin/env bash
# The core must reach the operating system only through src/platform/*.h.
# Fails when a core file includes a Qt, X11, PulseAudio, AT-SPI, GLib,
# GTK or libsecret header.
set -u
src=${1:?usage: check-core-includes.sh SRC_DIR}
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]|Qt[A-Za-z]*/|X11/|pulse/|atspi|at-spi|glib|gio/|gobject|gtk|gdk|libsecret/|xcb/)'
folders=()
for d in base app service capture dictation input vault ui; do
    [ -d "$src/$d" ] && folders+=("$src/$d")
done
hits=$(grep -rnE "$pattern" "${folders[@]}" "$src"/platform/*.h 2>/dev/null)
if [ -n "$hits" ]; then
    echo "Core files include platform headers:"
    echo "$hits"
    exit 1
fi
echo "core includes are portable (${#folders[@]} folders checked)"
