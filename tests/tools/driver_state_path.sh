#!/usr/bin/env bash
# x5k-driver --emulated-mouse=STATE refuses, before anything starts, a state path that is
# no state file and not absent: the path is left as it was, the program ends with 1 (not
# with an abort), and no instance socket or lock is left behind.
#
# usage: driver_state_path.sh X5K_DRIVER
set -uo pipefail
driver=$(realpath "$1")
[ -x "$driver" ] || { echo "x5k-driver is not built"; exit 77; }
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# name | how the path is made | what the output says
rows=(
    "not a state file|printf 'my thesis\n' > STATE|is not a state file"
    "named pipe|mkfifo STATE|is not a regular file"
    "folder|mkdir STATE|is not a regular file"
    "link loop|ln -s l2 STATE; ln -s STATE l2|cannot be read"
)
for row in "${rows[@]}"; do
    IFS='|' read -r name make says <<<"$row"
    case_dir=$scratch/${name// /-}
    mkdir -p "$case_dir/run"
    chmod 700 "$case_dir/run"
    (cd "$case_dir" && eval "$make")
    before=$(cd "$case_dir" && ls -l STATE; [ -f STATE ] && sha256sum STATE)
    output=$(cd "$case_dir" && XDG_RUNTIME_DIR="$case_dir/run" QT_QPA_PLATFORM=offscreen \
             timeout 20 "$driver" --emulated-mouse="$case_dir/STATE" 2>&1)
    status=$?
    after=$(cd "$case_dir" && ls -l STATE; [ -f STATE ] && sha256sum STATE)
    [ "$status" -eq 1 ] || fail "$name: exit status $status, not 1: $output"
    [[ $output == *"$says"* ]] || fail "$name: the output does not say '$says': $output"
    [ "$before" == "$after" ] || fail "$name: the state path changed: $before -> $after"
    [ -z "$(ls -A "$case_dir/run")" ] || fail "$name: left $(ls -A "$case_dir/run") behind"
done
exit $((failures > 0))
