#!/usr/bin/env bash
# Runs the setup file's tests in a Wine prefix made afresh for every run, on
# a display of their own, both under <build>/installer-test: the setup must
# meet a machine that has never seen Vistrel, and what it registers must not
# reach the prefix of the other tests.
#   run-installer-tests.sh <build dir> <installer_tests.exe> [test arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$1"; tests="$2"; shift 2
dir="$build/installer-test"
mkdir -p "$dir"

# Shortcuts made in the prefix must not become menu entries on the desktop
# of the machine's own user.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
export VISTREL_OWN_DISPLAY=1
# shellcheck source=../../scripts/lib/wine-env.sh
source "$root/scripts/lib/wine-env.sh" "$dir"
# Whatever a run that was cut short left running goes with its prefix.
vistrel_wine_stop
rm -rf "$WINEPREFIX"
trap vistrel_wine_stop EXIT
vistrel_wine_ready

out="$dir/installer_tests.log"
set +e
# Output goes to a file: Wine's helpers inherit it and may outlive the tests.
timeout --kill-after=10 540 wine "$tests" "$@" </dev/null >"$out" 2>&1
rc=$?
set -e
cat "$out"
exit $rc
