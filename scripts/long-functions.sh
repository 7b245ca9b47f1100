#!/usr/bin/env bash
# Lists C++ function bodies longer than a limit (default 80 lines), longest first:
#   scripts/long-functions.sh [--limit N] [--all] [path ...]      (default path: src)
# A line reads "lines  file:first-last  name". The count runs from the first line of the
# signature to the closing brace (a function-try-block's handlers included). --all lists every
# function, which is handy to see what a change did to a file.
# Exit status: 0 when nothing is over the limit, 1 otherwise.
# The scan counts braces after removing comments, strings and preprocessor lines, so it needs no
# compiler flags. It knows namespaces, classes, member initialiser lists and function-try-blocks;
# a lambda is counted as part of the function that holds it.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
LIMIT=80
ALL=0
PATHS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --limit) LIMIT=$2; shift 2 ;;
    --all) ALL=1; shift ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    *) PATHS+=("$1"); shift ;;
  esac
done
[ ${#PATHS[@]} -gt 0 ] || PATHS=("$ROOT/src")

find "${PATHS[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.cc' -o -name '*.hpp' \) | sort |
  python3 -c '
import re, sys

limit, show_all = int(sys.argv[1]), sys.argv[2] == "1"

def strip(text):
    """Comments, string and character literals and preprocessor lines become blanks; newlines stay."""
    out, i, n = [], 0, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if at_line_start and c == "#":
            # a preprocessor line, with its continuations
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out.append("\n"); i += 2; continue
                i += 1
            continue
        if c == "\n":
            out.append(c); i += 1; at_line_start = True; continue
        if c in " \t":
            out.append(c); i += 1; continue
        at_line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n": i += 1
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2); j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j])); i = j; continue
        m = re.match(r"(?:u8|u|U|L)?R\"([^(\s]*)\(", text[i:i + 40])
        if m and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + m.group(1) + "\"", i)
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append("\"\"" + re.sub(r"[^\n]", " ", text[i + 2:j])); i = j; continue
        if c in "\"\x27":
            if c == "\x27" and i > 0 and text[i - 1].isalnum():
                out.append(" "); i += 1; continue  # a digit separator: 1\x27000\x27000
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (j - i - 1) + c); i = j + 1; continue
        out.append(c); i += 1
    return "".join(out)

SPECIFIERS = {"const", "noexcept", "override", "final", "try", "mutable", "volatile", "&", "&&"}

def function_name(header):
    depth, angle = 0, 0
    for k, ch in enumerate(header):
        if ch == "<" and not header[:k].rstrip().endswith("operator"): angle += 1
        elif ch == ">" and angle > 0 and header[k - 1] != "-": angle -= 1
        elif ch == "(" and angle == 0:
            m = re.search(r"((?:[\w~]+\s*::\s*)*~?(?:operator\s*\S+?|[\w]+))\s*$", header[:k])
            return re.sub(r"\s+", "", m.group(1)) if m else "?"
    return "?"

def is_function(header):
    h = header.strip()
    if "(" not in h or re.search(r"(^|[^=!<>])=\s*$", h): return False
    if re.match(r"^(namespace|class|struct|union|enum)\b", h): return False
    tail = h[h.rfind(")") + 1:].strip()
    if tail == "": return True
    if tail.startswith("->"): return True  # trailing return type
    words = re.findall(r"[\w&]+|\S", tail)
    return all(w in SPECIFIERS or w == "noexcept" for w in words)

def scan(path):
    text = strip(open(path, encoding="utf-8", errors="replace").read())
    results, i, n = [], 0, len(text)
    header_start = 0
    stack = []  # "open" (namespace or class body) or "skip" (data)
    line_of = lambda pos: text.count("\n", 0, pos) + 1
    def match_brace(pos):
        depth = 0
        for j in range(pos, n):
            if text[j] == "{": depth += 1
            elif text[j] == "}":
                depth -= 1
                if depth == 0: return j
        return n - 1
    while i < n:
        c = text[i]
        if c in ";":
            header_start = i + 1
        elif c == "}":
            if stack: stack.pop()
            header_start = i + 1
        elif c == "{":
            header = text[header_start:i]
            h = header.strip()
            # a member initialiser written with braces, x_{0}: part of the constructor header
            if re.search(r"\)\s*:\s*", h) and re.search(r"[\w>]\s*$", h) and not is_function(header) \
                    and not re.search(r"\b(class|struct|union|enum)\b[^()]*$", h):
                i = match_brace(i) + 1
                continue
            if is_function(header):
                end = match_brace(i)
                # function-try-block handlers belong to the function
                while True:
                    m = re.match(r"\s*catch\s*\(", text[end + 1:end + 200])
                    if not m: break
                    nxt = text.find("{", end + 1)
                    end = match_brace(nxt)
                first = header_start + (len(header) - len(header.lstrip()))
                a, b = line_of(first), line_of(end)
                results.append((b - a + 1, a, b, function_name(h)))
                i = end + 1
                header_start = i
                continue
            if re.match(r"^((inline\s+)?namespace\b|extern\s*\"\"|(template\s*<.*>\s*)?(class|struct|union)\b)", h, re.S) \
                    and "=" not in h.split("{")[0].split("(")[0]:
                stack.append("open")
                header_start = i + 1
            else:
                i = match_brace(i) + 1  # an initialiser, an enum or a namespace-scope lambda
                header_start = i
                continue
        elif c == ":" and text[i - 1] != ":" and (i + 1 >= n or text[i + 1] != ":"):
            # access specifiers end a class header
            if re.search(r"\b(public|private|protected)\s*$", text[header_start:i]):
                header_start = i + 1
        i += 1
    return results

over = 0
rows = []
for path in sys.stdin.read().split():
    for count, a, b, name in scan(path):
        if show_all or count > limit:
            rows.append((count, path, a, b, name))
        if count > limit: over += 1
for count, path, a, b, name in sorted(rows, key=lambda r: (-r[0], r[1], r[2])):
    print(f"{count:5d}  {path}:{a}-{b}  {name}")
if not show_all:
    print(f"{over} function(s) over {limit} lines", file=sys.stderr)
sys.exit(1 if over else 0)
' "$LIMIT" "$ALL" | sed "s|$ROOT/||"
