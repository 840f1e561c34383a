#!/usr/bin/env python3
"""Fails when a function in src/app/ or src/scoring/ is longer than 80 lines.

A function is counted from the first line of its definition to its closing
brace: a definition starts at column 0 (its signature may span lines) and
ends where its braces close. Classes, structs, enums and namespaces are not
functions; their members defined inside them are measured alike."""
import pathlib
import re
import sys

LIMIT = 80
FOLDERS = ["src/app", "src/scoring"]
NOT_A_FUNCTION = re.compile(r"^\s*(namespace|class|struct|enum|union|extern)\b|=\s*\{?\s*$")


def long_functions(path):
    lines = path.read_text().splitlines()
    found = []
    i = 0
    while i < len(lines):
        line = lines[i]
        # A definition: a signature whose braces open before a ';' ends it.
        if line and not line[0].isspace() and line[0] not in "#/}" and not NOT_A_FUNCTION.search(line):
            j = i
            while j < len(lines) and "{" not in lines[j] and not lines[j].rstrip().endswith(";"):
                j += 1
            if j < len(lines) and "{" in lines[j] and not NOT_A_FUNCTION.search(lines[j]):
                depth = 0
                k = j
                while k < len(lines):
                    depth += lines[k].count("{") - lines[k].count("}")
                    if depth <= 0:
                        break
                    k += 1
                if k - i + 1 > LIMIT:
                    found.append((i + 1, k - i + 1, line.strip()))
                i = k + 1
                continue
        i += 1
    return found


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    status = 0
    for folder in FOLDERS:
        for path in sorted((root / folder).glob("*.[ch]pp")):
            for line, length, signature in long_functions(path):
                print(f"{path.relative_to(root)}:{line}: {length} lines (at most {LIMIT}): {signature}")
                status = 1
    if status == 0:
        print(f"functions: none over {LIMIT} lines in {', '.join(FOLDERS)}")
    return status


if __name__ == "__main__":
    sys.exit(main())
