#!/usr/bin/env bash
# Fails when a function of the product's code (src/, cli/, sim/, gui/, win/) is longer than
# the house limit of 80 lines, counted from the line of its opening brace to the line of its
# closing brace. Lists each such function as FILE:LINE: NAME: N lines.
# Usage: scripts/long_functions.sh [LIMIT [FILE...]]   LIMIT 0 lists every function.
set -euo pipefail
cd "$(dirname "$0")/.."
limit="${1:-80}"
shift || true
if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files 'src/*' 'cli/*' 'sim/*' 'gui/*' 'win/*' | grep -E '\.(cpp|h|inc)$')
else
  files=("$@")
fi
python3 - "$limit" "${files[@]}" <<'EOF'
import re, sys

def code_only(text):
    """The text with comments, string and character literals blanked (line breaks kept)."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j) or " ")
            i = j
        elif c == 'R' and text.startswith('R"', i) and not (i and (text[i - 1].isalnum() or text[i - 1] == '_')):
            k = text.find("(", i + 2)
            end = ")" + text[i + 2:k] + '"'
            j = text.find(end, k)
            j = n if j < 0 else j + len(end)
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            if c == "'" and i and text[i - 1].isalnum():  # a digit separator: 1'000
                out.append(c); i += 1; continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c); i += 1
    return "".join(out).split("\n")

def directive(line):
    d = line.strip()
    return re.match(r"#\s*(\w*)", d).group(1) if d.startswith("#") else None

def branch_counts(lines):
    """For each line opening an #if chain, how many branches (#elif, #else) the chain has."""
    counts, open_chains = {}, []
    for number, line in enumerate(lines):
        word = directive(line)
        if word in ("if", "ifdef", "ifndef"):
            open_chains.append(number)
            counts[number] = 1
        elif word in ("elif", "else") and open_chains:
            counts[open_chains[-1]] += 1
        elif word == "endif" and open_chains:
            open_chains.pop()
    return counts

def one_branch(lines, counts, pick):
    """The lines with, of each #if/#else chain, only branch number pick (its last one when it
    has fewer), so that braces pair up; the rest blanked."""
    kept, chains = [], []  # chains: [branch index, branch kept]
    for number, line in enumerate(lines):
        word = directive(line)
        if word in ("if", "ifdef", "ifndef"):
            chains.append([0, min(pick, counts[number] - 1)])
        elif word in ("elif", "else") and chains:
            chains[-1][0] += 1
        elif word == "endif" and chains:
            chains.pop()
        if word is not None:
            kept.append("")
        else:
            kept.append(line if all(i == k for i, k in chains) else "")
    return kept

def functions(lines):
    """(name, first line, length) of every function body not inside another function."""
    found, stack, head = [], [], ""  # stack: [kind, line]; kinds: scope, function, block, init
    for number, line in enumerate(lines, 1):
        for c in line + "\n":
            inside = any(entry[0] in ("function", "block") for entry in stack)
            if c == "{":
                kind = "block"
                if not inside:
                    h = head.strip()
                    if re.search(r"\b(namespace|class|struct|union)\b[^(=]*$", h) or h.startswith('extern ""'):
                        kind = "scope"
                    elif re.search(r"\)\s*:(?!:)", h) and re.search(r"[\w>]$", h):
                        kind = "init"  # a member initialised with braces in a constructor's list
                    elif "(" in h and not re.search(r"=\s*$", h) and not re.search(r"\benum\b", h):
                        kind = "function"
                        name = h.split("(")[0].strip().split()
                        if name and name[-1] in ("[]", "[&]", "[=]", "="):
                            name = h.split("=")[0].split()
                        stack.append(["function", number, name[-1] if name else "?"])
                        head = ""
                        continue
                stack.append([kind, number])
                if kind != "init":
                    head = ""
                else:
                    head += c
            elif c == "}":
                if not stack:
                    continue
                top = stack.pop()
                if top[0] == "function":
                    found.append((top[2], top[1], number - top[1] + 1))
                if top[0] == "init":
                    head += c
                else:
                    head = ""
            elif c == ";":
                if not inside:
                    head = ""
            elif not inside:
                head += c
    return found

limit, over = int(sys.argv[1]), 0
for path in sys.argv[2:]:
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = code_only(f.read())
    # Every branch of the #if/#else chains is measured: the first branch of each chain, then
    # the second, and so on; a function is as long as its longest form.
    counts = branch_counts(lines)
    longest = {}
    for pick in range(max(counts.values(), default=1)):
        for name, line, length in functions(one_branch(lines, counts, pick)):
            longest[(line, name)] = max(length, longest.get((line, name), 0))
    for (line, name), length in sorted(longest.items()):
        if length > limit:
            print(f"{path}:{line}: {name}: {length} lines")
            over += 1
if limit >= 80:
    if over:
        print(f"{over} function(s) over {limit} lines: split each by what it does.")
        sys.exit(1)
    print(f"Functions: none over {limit} lines.")
EOF
