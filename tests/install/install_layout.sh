#!/usr/bin/env bash
# Installs the built tree into a temporary folder and checks the layout a user or a
# package relies on: the program folder is a faithful copy of the build's bin/, the
# launchers on the PATH start the programs, the desktop entry names an installed program
# and icon, the udev rule is where udev reads it, and nothing else lands anywhere.
#
# usage: install_layout.sh CMAKE BUILD_DIR HAS_DESKTOP_PROGRAM(0|1)
set -uo pipefail

cmake=$1
build=$2
has_driver=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
program_dir_name=lib/x5k

tmp=$(mktemp -d "${TMPDIR:-/tmp}/x5k-install.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT

failures=0
fail() {
    echo "FAIL [$case_name]: $*" >&2
    failures=$((failures + 1))
}

launchers=(x5kctl)
if [ "$has_driver" = 1 ]; then
    launchers+=(x5k-driver)
fi

# Width and height of a PNG file, from its header chunk.
png_size() {
    local bytes
    read -r -a bytes < <(od -An -tu1 -j16 -N8 "$1")
    [ ${#bytes[@]} -eq 8 ] || return 1
    echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}

desktop_key() {  # desktop_key FILE KEY: the value of an unlocalised key of the main group
    sed -n "s/^$2=//p" "$1" | head -n 1
}

check_launcher() {  # check_launcher ROOT NAME
    local root=$1 name=$2 link=$1/bin/$2 target
    target=$(readlink "$link") || { fail "$name: no symlink at bin/$name"; return; }
    case $target in
        /*) fail "$name: the launcher points to the absolute path $target"; return ;;
    esac
    [ "$(readlink -f "$link")" = "$(readlink -f "$root/$program_dir_name/$name")" ] ||
        fail "$name: the launcher resolves to $(readlink -f "$link"), not into the program folder"
    [[ -f $link && -x $link ]] || fail "$name: the launcher's target is not an executable file"
    [ "$(stat -L -c %a "$link")" = 755 ] || fail "$name: mode $(stat -L -c %a "$link"), not 755"
}

check_program_folder() {  # check_program_folder ROOT
    local prog=$1/$program_dir_name n
    [[ -d $prog/skins && -n $(ls -A "$prog/skins") ]] || fail "no skins/ pictures"
    [ -s "$prog/res/128.png" ] || fail "no res/128.png"
    [ -s "$prog/skins/languagetype.ini" ] || fail "no skins/languagetype.ini"
    n=$(find "$prog/Language" -maxdepth 1 -name '*.xml' | wc -l)
    [ "$n" -eq 12 ] || fail "$n language files instead of 12"
    for f in Macro.cfg Language.cfg Sts.cfg Profile/ConfigInfo.cfg Profile/Profile{1,2,3,4,5}.cfg; do
        [ -s "$prog/$f" ] || fail "no $f in the program folder"
    done
    # The installed folder holds exactly what the build's folder holds, byte for byte,
    # minus what an update check downloads at run time.
    diff -r -x new_version "$build/bin" "$prog" >"$tmp/diff" 2>&1 ||
        fail "program folder differs from the build's bin/: $(head -n 5 "$tmp/diff")"
    [ ! -e "$prog/FWUpdate/new_version" ] || fail "downloaded update state was installed"
    # Everything is readable by every user; only programs are executable.
    n=$(find "$prog" -type f ! -perm -0444 | wc -l)
    [ "$n" -eq 0 ] || fail "$n files in the program folder are not world-readable"
    n=$(find "$prog" -type d ! -perm -0555 | wc -l)
    [ "$n" -eq 0 ] || fail "$n folders in the program folder are not world-searchable"
}

check_desktop_entry() {  # check_desktop_entry ROOT
    local root=$1 entry=$1/share/applications/x5k-driver.desktop exec icon icons size
    if [ "$has_driver" != 1 ]; then
        # Without the desktop program a menu item would start nothing.
        [ ! -e "$entry" ] || fail "a desktop entry was installed without the desktop program"
        return
    fi
    [ -f "$entry" ] || { fail "no desktop entry"; return; }
    [ "$(desktop_key "$entry" Type)" = Application ] || fail "desktop entry: Type is not Application"
    [ "$(desktop_key "$entry" Name)" = "X5K Gaming Mouse" ] || fail "desktop entry: wrong Name"
    [ -n "$(desktop_key "$entry" Comment)" ] || fail "desktop entry: no Comment"
    [ "$(desktop_key "$entry" Categories)" = "Settings;HardwareSettings;" ] ||
        fail "desktop entry: wrong Categories"
    exec=$(desktop_key "$entry" Exec)
    exec=${exec%% *}
    [ -x "$root/bin/$exec" ] || fail "desktop entry: Exec=$exec is not an installed launcher"
    icon=$(desktop_key "$entry" Icon)
    mapfile -t icons < <(find "$root/share/icons/hicolor" -path "*/apps/$icon.png" 2>/dev/null)
    [ ${#icons[@]} -ge 1 ] || { fail "desktop entry: no icon $icon in the hicolor theme"; return; }
    for f in "${icons[@]}"; do
        size=$(png_size "$f") || { fail "icon $f is not a PNG file"; continue; }
        # The theme's folder names the picture's real size.
        [ "$(basename "$(dirname "$(dirname "$f")")")" = "$size" ] ||
            fail "icon $f is $size, in the wrong size folder"
        cmp -s "$f" "$build/bin/res/128.png" || fail "icon $f is not the application icon"
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" >"$tmp/validate" 2>&1 ||
            fail "desktop-file-validate: $(cat "$tmp/validate")"
    fi
}

# Every installed path outside the program folder, and nothing more.
check_nothing_else() {  # check_nothing_else ROOT
    local root=$1 expected=(bin/x5kctl lib/udev/rules.d/70-x5k.rules lib/modules-load.d/x5k.conf) f
    if [ "$has_driver" = 1 ]; then
        expected+=(bin/x5k-driver share/applications/x5k-driver.desktop
                   share/icons/hicolor/256x256/apps/x5k-driver.png
                   share/metainfo/io.github.x5k.driver.metainfo.xml)
    fi
    # Every manual page, compressed, and every bash completion of the source tree.
    for f in "$source_dir"/packaging/man/*.[1-8]; do
        [ -e "$f" ] && expected+=("share/man/man${f##*.}/$(basename "$f").gz")
    done
    for f in "$source_dir"/packaging/bash-completion/*; do
        [ -e "$f" ] && expected+=("share/bash-completion/completions/$(basename "$f")")
    done
    (cd "$root" && find . \( -type f -o -type l \) ! -path "./$program_dir_name/*" | sed 's|^\./||' | sort) >"$tmp/got"
    printf '%s\n' "${expected[@]}" | sort >"$tmp/want"
    diff "$tmp/want" "$tmp/got" >"$tmp/extra" ||
        fail "unexpected files outside the program folder: $(tr '\n' ' ' <"$tmp/extra")"
}

check_installation() {  # check_installation ROOT
    local root=$1
    check_program_folder "$root"
    for name in "${launchers[@]}"; do
        check_launcher "$root" "$name"
        grep -qxF "$root/bin/$name" "$build/install_manifest.txt" ||
            fail "$name: the launcher is missing from install_manifest.txt"
    done
    # The launcher starts the program from its installed folder.
    "$root/bin/x5kctl" show-profile "$root/$program_dir_name/Profile/Profile1.cfg" >"$tmp/out" 2>&1 ||
        fail "x5kctl through its launcher failed: $(head -n 3 "$tmp/out")"
    cmp -s "$root/lib/udev/rules.d/70-x5k.rules" "$source_dir/packaging/udev/70-x5k.rules" ||
        fail "the udev rule is missing or differs"
    check_desktop_entry "$root"
    for f in "$source_dir"/packaging/man/*.[1-8]; do
        [ -e "$f" ] || continue
        gzip -dc "$root/share/man/man${f##*.}/$(basename "$f").gz" 2>/dev/null | cmp -s - "$f" ||
            fail "the manual page $(basename "$f") is missing or differs"
    done
    check_nothing_else "$root"
}

# name | --prefix | DESTDIR (below the temporary folder, empty for none) | installs in a row
cases=(
    "prefix|$tmp/prefix||1"
    "package staging|/usr|stage|1"
    "reinstall over an earlier install|$tmp/again||2"
)

for row in "${cases[@]}"; do
    IFS='|' read -r case_name prefix destdir times <<<"$row"
    root=$prefix
    env=()
    if [ -n "$destdir" ]; then
        env=(DESTDIR="$tmp/$destdir")
        root=$tmp/$destdir$prefix
    fi
    ok=1
    for ((i = 0; i < times; i++)); do
        if ! env "${env[@]}" "$cmake" --install "$build" --prefix "$prefix" >"$tmp/log" 2>&1; then
            fail "cmake --install failed: $(tail -n 5 "$tmp/log")"
            ok=0
            break
        fi
    done
    [ $ok = 1 ] && check_installation "$root"
done

echo "install layout: ${#cases[@]} installs checked, $failures failures"
[ "$failures" -eq 0 ]
