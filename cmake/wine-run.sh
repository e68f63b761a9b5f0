#!/bin/sh
# Runs a Windows test program under Wine, headless and quiet, in a prefix of the build's own.
export WINEDEBUG=-all
export WINEPREFIX="${NTHPRIME_WINEPREFIX:?set by the test}"
export DISPLAY=
exec wine "$@"
