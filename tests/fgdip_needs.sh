#!/usr/bin/env bash
# The exported loader needs Qt Gui, not the widget module: neither among the
# built library's NEEDED entries nor in the Depends of libfgdip1 as
# `make package` works them out (dpkg-shlibdeps, packaging/fgdip_depends.cmake).
#   fgdip_needs.sh <libfgdip.so> <fgdip_depends.cmake> <scratch folder>
set -uo pipefail
lib=$1 depends_script=$2 scratch=$3
needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
echo "NEEDED: $needed"
case " $needed" in *" libQt6Gui.so"*) ;; *) echo "FAIL: libQt6Gui is not needed"; exit 1 ;; esac
case "$needed" in *Qt6Widgets*) echo "FAIL: libQt6Widgets is needed"; exit 1 ;; esac
command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-shlibdeps missing: Depends left out"; exit 77; }
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
printf 'include(%s)\nmessage("${CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS}")\n' "$depends_script" \
    >"$scratch/depends.cmake"
depends=$(cmake -DCPACK_GENERATOR=DEB -DFGDIP_FILE="$lib" -DFGDIP_WORK="$scratch" \
    -P "$scratch/depends.cmake" 2>&1) || { echo "FAIL: $depends"; exit 1; }
echo "Depends: $depends"
case "$depends" in *libqt6gui6*) ;; *) echo "FAIL: libqt6gui6 is not in Depends"; exit 1 ;; esac
case "$depends" in *libqt6widgets6*) echo "FAIL: libqt6widgets6 is in Depends"; exit 1 ;; esac
exit 0
