#!/usr/bin/env bash
# The Debian package, made once from the built tree and then checked as a user and the
# archive's tools see it.
#
# usage: package_deb.sh build   CPACK BUILD_DIR OUT_DIR  makes OUT_DIR/x5k_<version>_<arch>.deb
#        package_deb.sh lintian OUT_DIR                  no lintian errors
#        package_deb.sh contents OUT_DIR                 what lands where, with which modes
#        package_deb.sh run OUT_DIR                      the programs run from a scratch root
#        package_deb.sh metadata DESKTOP METAINFO        the desktop entry and metainfo validate
# Exits 0 on success, 77 (skipped) when a tool or the package is missing, 1 on a failure.
set -uo pipefail

mode=$1
shift
tmp=$(mktemp -d "${TMPDIR:-/tmp}/x5k-package.XXXXXX") || exit 1
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL [$mode]: $*" >&2
    failures=$((failures + 1))
}
finish() {
    echo "package $mode: $failures failures"
    [ "$failures" -eq 0 ]
    exit
}
need() {  # need TOOL PACKAGE: skip when the tool is missing
    command -v "$1" >/dev/null || { echo "package: $1 is missing (scripts/setup installs $2)"; exit 77; }
}
the_package() {  # the_package OUT_DIR: the one .deb there, or skip
    local debs=("$1"/x5k_*.deb)
    [ -f "${debs[0]}" ] || { echo "package: no package in $1 (package.build makes it)"; exit 77; }
    echo "${debs[0]}"
}

case $mode in
build)
    cpack=$1 build=$2 out=$3
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    need file file  # CPack tells executables by it for dpkg-shlibdeps
    [ -x "$build/bin/x5k-driver" ] || { echo "package: x5k-driver has not been built"; exit 77; }
    rm -rf "$out" && mkdir -p "$out"
    "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
        { fail "cpack failed: $(tail -n 15 "$out/cpack.log")"; finish; }
    version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
    deb=$out/x5k_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || fail "no $(basename "$deb"); made: $(cd "$out" && ls -- *.deb 2>/dev/null)"
    # cpack's own staging folder is no part of the result.
    rm -rf "$out/_CPack_Packages"
    ;;

lintian)
    need lintian lintian
    deb=$(the_package "$1")
    lintian --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1
    grep -E '^E: ' "$tmp/lintian" >"$tmp/errors" && fail "lintian errors:
$(cat "$tmp/errors")"
    # Warnings are allowed; they are shown for the log.
    cat "$tmp/lintian"
    ;;

contents)
    deb=$(the_package "$1")
    dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' | sed 's|\./|/|' >"$tmp/listing"
    # Every file and link outside the program folder, with its mode.
    want=(
        "-rw-r--r-- /usr/lib/udev/rules.d/70-x5k.rules"
        "-rw-r--r-- /usr/lib/modules-load.d/x5k.conf"
        "-rw-r--r-- /usr/share/applications/x5k-driver.desktop"
        "-rw-r--r-- /usr/share/icons/hicolor/256x256/apps/x5k-driver.png"
        "-rw-r--r-- /usr/share/metainfo/io.github.x5k.driver.metainfo.xml"
        "-rw-r--r-- /usr/share/man/man1/x5k-driver.1.gz"
        "-rw-r--r-- /usr/share/doc/x5k/copyright"
        "-rw-r--r-- /usr/share/doc/x5k/changelog.gz"
        "lrwxrwxrwx /usr/bin/x5k-driver"
        "lrwxrwxrwx /usr/bin/x5kctl"
        "-rwxr-xr-x /usr/lib/x5k/x5k-driver"
        "-rwxr-xr-x /usr/lib/x5k/x5kctl"
    )
    for row in "${want[@]}"; do
        read -r mode_want path <<<"$row"
        got=$(awk -v p="$path" '$3 == p {print $1}' "$tmp/listing")
        [ "$got" = "$mode_want" ] || fail "$path: ${got:-missing}, not $mode_want"
    done
    # Files owned by root, nothing outside /usr, nothing world-writable.
    awk '$2 != "root/root"' "$tmp/listing" | grep -q . && fail "files not owned by root: $(awk '$2 != "root/root" {print $3}' "$tmp/listing" | head -n 3)"
    awk '$1 !~ /^d/ && $3 !~ /^\/usr\//' "$tmp/listing" | grep -q . && fail "files outside /usr"
    awk '$1 !~ /^l/ && substr($1, 9, 1) == "w"' "$tmp/listing" | grep -q . && fail "world-writable files"
    # The manual pages and bash completion named by the source tree are all there.
    source_dir=$(cd "$(dirname "$0")/../.." && pwd)
    for page in "$source_dir"/packaging/man/*.1; do
        grep -q " /usr/share/man/man1/$(basename "$page").gz$" "$tmp/listing" ||
            fail "no manual page $(basename "$page").gz"
    done
    for completion in "$source_dir"/packaging/bash-completion/*; do
        [ -e "$completion" ] || continue
        grep -q " /usr/share/bash-completion/completions/$(basename "$completion")$" "$tmp/listing" ||
            fail "no bash completion $(basename "$completion")"
    done
    # Dependencies from the libraries the programs link, and the maintainer scripts.
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libqt6widgets6 libudev1 libevdev2 libcurl4 libc6; do
        [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
    done
    dpkg-deb -e "$deb" "$tmp/control"
    for script in postinst postrm; do
        [ -x "$tmp/control/$script" ] || fail "no executable $script"
        sh -n "$tmp/control/$script" || fail "$script does not parse"
    done
    # Where udev does not run (here, a build root) the scripts do nothing and succeed.
    for call in "postinst configure" "postrm remove" "postrm purge"; do
        read -r script argument <<<"$call"
        PATH=/usr/bin:/bin sh "$tmp/control/$script" "$argument" >"$tmp/out" 2>&1 ||
            fail "$call failed: $(cat "$tmp/out")"
    done
    ;;

run)
    deb=$(the_package "$1")
    root=$tmp/root
    dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x failed"; finish; }
    "$root/usr/bin/x5kctl" --version >"$tmp/out" 2>&1 || fail "x5kctl --version: $(head -n 3 "$tmp/out")"
    grep -Eq '^x5kctl [0-9]+\.[0-9]+\.[0-9]+$' "$tmp/out" || fail "x5kctl --version says $(head -n 1 "$tmp/out")"
    "$root/usr/bin/x5kctl" make-defaults "$tmp/defaults" >"$tmp/out" 2>&1 ||
        fail "x5kctl make-defaults: $(head -n 3 "$tmp/out")"
    for f in Macro.cfg Language.cfg Sts.cfg Profile/ConfigInfo.cfg Profile/Profile{1,2,3,4,5}.cfg; do
        cmp -s "$tmp/defaults/$f" "$root/usr/lib/x5k/$f" || fail "make-defaults: $f differs from the shipped one"
    done

    # The session's autostart entry starts the launcher it was written by, hidden.
    export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/runtime
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    entry=$XDG_CONFIG_HOME/autostart/x5k-driver.desktop
    "$root/usr/bin/x5k-driver" --autostart=on >"$tmp/out" 2>&1 || fail "--autostart=on: $(cat "$tmp/out")"
    [ "$(sed -n 's/^Exec=//p' "$entry" 2>/dev/null)" = "$root/usr/bin/x5k-driver --hidden" ] ||
        fail "autostart entry: $(cat "$entry" 2>&1)"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" >"$tmp/out" 2>&1 || fail "autostart entry: $(cat "$tmp/out")"
    fi
    "$root/usr/bin/x5k-driver" --autostart=off >"$tmp/out" 2>&1 || fail "--autostart=off: $(cat "$tmp/out")"
    [ ! -e "$entry" ] || fail "--autostart=off left the entry"
    [ ! -e "$XDG_DATA_HOME" ] || fail "--autostart started the program (the data folder was made)"

    # The desktop program starts on the emulated mouse, stays up and ends on SIGTERM with 0.
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/x5k-driver" --emulated-mouse >"$tmp/driver.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    # Up once its data folder is seeded from the installed program folder; then still up
    # two seconds later, past the mouse's start-up (the loader check alone waits one).
    ready=$XDG_DATA_HOME/ZINTU/X5K/Profile/ConfigInfo.cfg
    for ((i = 0; i < 300; i++)); do
        [ -s "$ready" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    for ((i = 0; i < 40; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid"
        rc=0
        wait "$pid" || rc=$?
        [ "$rc" = 0 ] || fail "x5k-driver ended with $rc on SIGTERM: $(tail -n 5 "$tmp/driver.log")"
    else
        rc=0
        wait "$pid" || rc=$?
        fail "x5k-driver did not stay up (exit code $rc): $(tail -n 5 "$tmp/driver.log")"
    fi
    [ -s "$ready" ] || fail "x5k-driver did not seed its data folder"
    ;;

metadata)
    need desktop-file-validate desktop-file-utils
    need appstreamcli appstream
    desktop-file-validate "$1" >"$tmp/out" 2>&1 || fail "desktop-file-validate $1: $(cat "$tmp/out")"
    appstreamcli validate --no-net "$2" >"$tmp/out" 2>&1 ||
        fail "appstreamcli validate $2: $(cat "$tmp/out")"
    ;;

*)
    echo "usage: $0 build|lintian|contents|run|metadata ..." >&2
    exit 64
    ;;
esac
finish
