#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is created on first use. Wine's own diagnostics are silenced, and the .NET and HTML
# engines it would offer to install are declined, so that nothing waits for a display.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
