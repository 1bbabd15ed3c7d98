#!/usr/bin/env bash
# The program reaches the operating system only through the interfaces of src/platform/
# and one factory per platform: outside a platform's folder, only the program's start-up
# includes a platform header, and only that platform's factory; neither it nor the main
# window includes a system header; the interfaces themselves include nothing but the
# standard library and each other. A second platform is then a second folder and a
# second factory.
#
# usage: platform_seam.sh SOURCE_DIR
set -uo pipefail

src=$1/src
startup=gui/CT7QDriverApp.cpp
factory=platform/linux/LinuxPlatform.h
failures=0

cd "$src" || exit 1

# Every include of a platform's own header outside that platform's folder.
while IFS=: read -r file _ line; do
    header=$(sed -E 's/.*#include *"([^"]+)".*/\1/' <<<"$line")
    if [[ $file == "$startup" && $header == "$factory" ]]; then continue; fi
    echo "$file includes $header: only $startup may, and only $factory"
    failures=$((failures + 1))
done < <(grep -rnE --include='*.cpp' --include='*.h' '#include *"platform/[a-z0-9_]+/' . |
         sed 's|^\./||' | grep -vE '^platform/[a-z0-9_]+/')

# The interfaces: standard headers (no ".h") and other interfaces only.
while IFS= read -r hit; do
    echo "$hit: an interface includes only the standard library and src/platform/*.h"
    failures=$((failures + 1))
done < <(grep -nE '#include' platform/*.h |
         grep -vE '#include *<[a-z_]+>|#include *"platform/[A-Za-z]+\.h"')

# The program's own folder: the system's headers (<unistd.h>, <sys/...>) stay in the
# platform's folder too.
while IFS= read -r hit; do
    echo "$hit: the program reaches the system through src/platform/ only"
    failures=$((failures + 1))
done < <(grep -nE '#include *<[a-z_0-9/]+\.h>' gui/*.cpp gui/*.h)

if ((failures > 0)); then
    echo "$failures include(s) cross the platform seam"
    exit 1
fi
echo "the platform seam holds"
