#!/usr/bin/env bash
# The man page and the bash completion keep up with the tool: every command its help
# lists is in both, the man page formats without warnings, and the completion offers
# what each position takes. Usage: x5kctl_docs.sh X5KCTL SOURCE_DIR
set -uo pipefail
x5kctl=$(realpath "$1")
source_dir=$(realpath "$2")
man_page=$source_dir/packaging/man/x5kctl.1
completion=$source_dir/packaging/bash-completion/x5kctl
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

commands=$("$x5kctl" --help | sed -n '/^commands:$/,/^$/p' | awk 'NF { print $1 }' | grep -v '^commands:$')
[ -n "$commands" ] || fail "x5kctl --help lists no commands"
# The man page's entries: the line after each .TP.
entries=$(awk '/^\.TP/ { getline; print }' "$man_page")
for command in $commands; do
    grep -Eq "^\.B[IR]? ${command//-/\\\\-}( |$)" <<<"$entries" || fail "the man page has no entry for $command"
    grep -q -- "$command" "$completion" || fail "the completion does not know $command"
done

warnings=$(groff -man -Tutf8 -ww -z "$man_page" 2>&1)
[ -z "$warnings" ] || fail "groff warns about the man page: $warnings"

if [ ! -r /usr/share/bash-completion/bash_completion ]; then
    echo "bash-completion is not installed; the completion table is skipped" >&2
    [ $failures -eq 0 ] || exit 1
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir folder && touch one.cfg two.json three.txt
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"

# Completes the line as bash does at its end; COMP_WORDBREAKS splits at "=".
complete_line() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *" " || $line == *= ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _x5kctl x5kctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

# line | the completions, sorted
while IFS='|' read -r line expected; do
    [ -n "$line" ] || continue
    got=$(complete_line "$line")
    [ "$got" = "$expected" ] || fail "'$line' completes to '$got', not '$expected'"
done <<'TABLE'
x5kctl sh|show-profile
x5kctl --verbose ap|apply
x5kctl --ver|--verbose --version
x5kctl show-profile --profile |1 2 3 4 5
x5kctl show-profile --profile=|1 2 3 4 5
x5kctl apply --profile 2 --m|--macros
x5kctl apply |folder one.cfg
x5kctl apply one.cfg --macros |folder one.cfg
x5kctl devices --j|--json
x5kctl version --emulated=|folder one.cfg three.txt two.json
x5kctl import-json |folder one.cfg two.json
x5kctl make-defaults |folder
x5kctl make-defaults --|--force --help --verbose
x5kctl help enc|encode-macro
x5kctl watch-input --block wheel|wheel-backward wheel-forward
x5kctl set --f|--force
TABLE

[ $failures -eq 0 ]
