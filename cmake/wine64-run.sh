#!/bin/sh
# Runs a 64-bit Windows test program under Wine's 64-bit loader, headless and quiet, in a win64
# prefix of the build's own. Debian's `wine` wrapper would pick the 32-bit loader whenever
# wine32 is installed, and that loader fails where the kernel runs no 32-bit program.
export WINEDEBUG=-all
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINEPREFIX="${NTHPRIME_WINEPREFIX:?set by the test}"
export DISPLAY=
exec /usr/lib/wine/wine64 "$@"
