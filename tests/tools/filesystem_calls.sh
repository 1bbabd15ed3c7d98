#!/usr/bin/env bash
# The program's own code calls the filesystem library only through its overloads that
# report failure in a std::error_code: the throwing ones end the program (status 134) on a
# link loop or a folder it cannot search. Every call of a throwing operation in src/ and
# tools/ must end its arguments with an error code (a name like error, ignored or ec), or
# pass a file_status already obtained (is_regular_file(status)). A directory iterator is
# never walked by a range-for, whose increment throws. Calls made without the namespace
# (found by argument-dependent lookup) and the members of directory_entry are not seen.
#
# usage: filesystem_calls.sh SOURCE_DIR
set -uo pipefail
command -v python3 >/dev/null || { echo "python3 is missing"; exit 77; }

python3 - "$1" <<'PY'
import os, re, sys

root = sys.argv[1]
operations = ("exists|is_regular_file|is_directory|is_symlink|is_fifo|is_other|is_empty|status|"
              "symlink_status|create_directories|create_directory|create_symlink|"
              "create_hard_link|canonical|weakly_canonical|file_size|directory_iterator|"
              "recursive_directory_iterator|remove|remove_all|rename|copy|copy_file|"
              "copy_symlink|last_write_time|permissions|temp_directory_path|current_path|"
              "absolute|relative|proximate|read_symlink|space|equivalent|hard_link_count|"
              "resize_file")
# The operation, then a variable's name when an iterator is declared, then its arguments.
call = re.compile(r"(?:std::filesystem::|\bfs::)(" + operations + r")(?:\s+\w+)?\s*[({]")
error_name = re.compile(r"^(?:\w*[eE]rror\w*|ignored|ec)$")
failures = 0
for top in ("src", "tools"):
    for folder, _, names in os.walk(os.path.join(root, top)):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root)
            text = open(path, encoding="utf-8").read()
            for match in call.finditer(text):
                depth, end = 1, match.end()
                while depth and end < len(text):
                    depth += {"(": 1, ")": -1, "{": 1, "}": -1}.get(text[end], 0)
                    end += 1
                arguments = [a.strip() for a in text[match.end():end - 1].split(",")]
                last = arguments[-1]
                line = text.count("\n", 0, match.start()) + 1
                before = text[text.rfind("\n", 0, match.start()) + 1:match.start()]
                if "iterator" in match.group(1) and re.search(r"\bfor\s*\(.*:\s*$", before):
                    print(f"{relative}:{line}: a range-for over {match.group(1)} throws from its "
                          "increment; call increment(error)")
                    failures += 1
                    continue
                # An error code last, or an iterator's end, which reads nothing.
                if error_name.match(last) or ("iterator" in match.group(1) and not last):
                    continue
                if match.group(1).startswith("is_") and len(arguments) == 1 and "status" in last.lower():
                    continue
                print(f"{relative}:{line}: {match.group(1)}({' '.join(last.split())}) can throw; "
                      "pass a std::error_code")
                failures += 1
sys.exit(1 if failures else 0)
PY
