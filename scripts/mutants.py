#!/usr/bin/env python3
"""The mutation sweep's helper: finds single-line mutants in src/, draws a
reproducible sample, keeps the scratch tree in step with the sources, and
applies or undoes one mutant in the scratch tree.

    mutants.py list SRC_ROOT EQUIVALENTS COUNT SEED ONLY   -> one mutant a line
    mutants.py sync SOURCE_TREE SCRATCH_TREE              -> copy changed files
    mutants.py apply SCRATCH_TREE ID                      -> write the mutant
    mutants.py restore SOURCE_TREE SCRATCH_TREE FILE      -> write the original

A mutant line is tab-separated: id, file, line number, operator, old text,
new text. The id is a hash of the file, the old line and the new line, so it
stays the same when lines above it move.
"""

import hashlib
import os
import re
import shutil
import sys

SKIPPED_DIRS = {"build", "dist", ".git", "node_modules"}

# Preprocessor conditions whose code only the Windows builds compile.
WINDOWS_ONLY = re.compile(r"^\s*#\s*(ifdef\s+(_WIN32|_WIN64|_MSC_VER)\b|if\s+defined\s*\(?\s*(_WIN32|_WIN64|_MSC_VER)\b)")
NATIVE_ONLY = re.compile(r"^\s*#\s*(ifndef\s+(_WIN32|_WIN64)\b|if\s+!\s*defined\s*\(?\s*(_WIN32|_WIN64)\b)")


def source_files(root):
    found = []
    for directory, dirs, files in os.walk(os.path.join(root, "src")):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS)
        for name in sorted(files):
            if name.endswith((".cpp", ".h")):
                found.append(os.path.relpath(os.path.join(directory, name), root))
    return sorted(found)


def code_lines(text):
    """Yields (index, line, mask): mask is the line with comments and the
    insides of string and character literals blanked out, or None for a line
    that is a comment, a preprocessor line or Windows-only code."""
    in_block = False
    stack = []  # for each open #if: True when only Windows compiles it
    for index, line in enumerate(text.split("\n")):
        stripped = line.strip()
        if not in_block and stripped.startswith("#"):
            if re.match(r"#\s*if", stripped):
                stack.append(bool(WINDOWS_ONLY.match(line)))
            elif re.match(r"#\s*(else|elif)", stripped) and stack:
                # The other branch of a Windows-only test is native code, and
                # the other branch of a native-only test is Windows code.
                stack[-1] = not stack[-1]
            elif re.match(r"#\s*endif", stripped) and stack:
                stack.pop()
            if NATIVE_ONLY.match(line):
                stack[-1] = False
            yield index, line, None
            continue
        mask = []
        i = 0
        quote = None
        while i < len(line):
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    in_block = False
                    mask.append("  ")
                    i += 2
                    continue
                mask.append(" ")
            elif quote:
                if c == "\\":
                    mask.append("  ")
                    i += 2
                    continue
                if c == quote:
                    quote = None
                    mask.append(c)
                else:
                    mask.append(" ")
            elif line.startswith("//", i):
                mask.append(" " * (len(line) - i))
                break
            elif line.startswith("/*", i):
                in_block = True
                mask.append("  ")
                i += 2
                continue
            elif c in "\"'":
                quote = c
                mask.append(c)
            else:
                mask.append(c)
            i += 1
        masked = "".join(mask)[: len(line)]
        if any(stack) or not masked.strip():
            yield index, line, None
        else:
            yield index, line, masked


TEMPLATE_ARGS = re.compile(r"[A-Za-z_]\w*\s*<[\w:\s\*&,]*>")
INCLUDE = re.compile(r"^\s*#")


def template_spans(mask):
    spans = []
    for m in TEMPLATE_ARGS.finditer(mask):
        spans.append((m.start(), m.end()))
    return spans


def inside(spans, position):
    return any(a <= position < b for a, b in spans)


def replace_at(line, start, end, new):
    return line[:start] + new + line[end:]


def mutants_of_line(line, mask):
    spans = template_spans(mask)
    out = []

    def add(op, start, end, new):
        out.append((op, replace_at(line, start, end, new)))

    # Comparison operators.
    for m in re.finditer(r"==|!=|<=|>=|(?<![<>\-])<(?![<=])|(?<![<>\-])>(?![>=])", mask):
        if inside(spans, m.start()):
            continue
        text = m.group(0)
        swaps = {"==": ["!="], "!=": ["=="], "<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="],
                 ">=": [">", "<"]}
        for new in swaps[text]:
            add("comparison", m.start(), m.end(), new)
    # Logical operators.
    for m in re.finditer(r"&&|\|\|", mask):
        add("logical", m.start(), m.end(), "||" if m.group(0) == "&&" else "&&")
    # Plus and minus (not ++, --, +=, -=, ->, nor a sign after an operator).
    for m in re.finditer(r"(?<=[\w\)\]] )[+\-](?= [\w\(])", mask):
        add("arithmetic", m.start(), m.end(), "-" if m.group(0) == "+" else "+")
    # Increments and decrements.
    for m in re.finditer(r"\+\+|--", mask):
        add("increment", m.start(), m.end(), "--" if m.group(0) == "++" else "++")
    # Integer constants raised by one (not the "= 0" of a pure virtual).
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])", mask):
        if inside(spans, m.start()) or re.search(r"\)\s*(const\s*)?(override\s*)?=\s*$", mask[: m.start()]):
            continue
        digits = m.group(1)
        if digits.lower().startswith("0x"):
            new = "0x%X" % (int(digits, 16) + 1)
        else:
            new = str(int(digits) + 1)
        add("constant", m.start(1), m.end(1), new)
    # Boolean results flipped.
    for m in re.finditer(r"\breturn (true|false);", mask):
        flipped = "false" if m.group(1) == "true" else "true"
        add("return", m.start(1), m.end(1), flipped)
    # Conditions negated, when the whole condition is on this line.
    for m in re.finditer(r"\b(if|while) \(", mask):
        depth = 0
        open_at = m.end() - 1
        for j in range(open_at, len(mask)):
            if mask[j] == "(":
                depth += 1
            elif mask[j] == ")":
                depth -= 1
                if depth == 0:
                    condition = line[open_at + 1 : j]
                    out.append(("negation", line[: open_at + 1] + "!(" + condition + ")" + line[j:]))
                    break
    # A whole statement removed: a line that is one complete statement and
    # declares nothing.
    code = mask.strip()
    declaration = re.match(r"^[\w:<>\*&]+(\s+[\w:<>\*&]+)+\s*(=|;|\(|\{|\[)", code)
    if (code.endswith(";") and code.count("(") == code.count(")") and not declaration
            and not code.endswith(("= default;", "= delete;"))
            and not code.startswith(("return", "}", "case", "typedef", "using", "static", "const", "extern"))):
        indent = line[: len(line) - len(line.lstrip())]
        out.append(("removal", indent + ";"))
    return out


def mutant_id(path, old, new, occurrence):
    """The same line text may stand several times in a file: each after the
    first gets its place among them in the hash."""
    text = path + "\0" + old.strip() + "\0" + new.strip()
    if occurrence > 0:
        text += "\0" + str(occurrence)
    return hashlib.sha1(text.encode()).hexdigest()[:10]


def all_mutants(root):
    result = []
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        occurrences = {}
        for index, line, mask in code_lines(text):
            if mask is None:
                continue
            occurrence = occurrences.get(line.strip(), 0)
            occurrences[line.strip()] = occurrence + 1
            seen = set()
            for op, new in mutants_of_line(line, mask):
                if new == line or new in seen:
                    continue
                seen.add(new)
                result.append((mutant_id(path, line, new, occurrence), path, index + 1, op, line, new))
    return result


def read_equivalents(path):
    ids = {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.strip()
            if not text or text.startswith("#"):
                continue
            parts = text.split(None, 1)
            if len(parts) < 2 or not re.fullmatch(r"[0-9a-f]{10}", parts[0]):
                sys.exit("mutants: %s line %d: want an id and a reason" % (path, number))
            ids[parts[0]] = parts[1]
    return ids


def command_list(root, equivalents, count, seed, only):
    known = read_equivalents(equivalents)
    pool = all_mutants(root)
    if only:
        pattern = re.compile(only)
        pool = [m for m in pool if pattern.search(m[1])]
    # Ordered by a hash of the seed and each mutant's id: a mutant's place
    # does not depend on the others, so changing one line of the sources
    # leaves the rest of a seed's sample as it was.
    ranked = sorted(pool, key=lambda m: hashlib.sha1((str(int(seed)) + ":" + m[0]).encode()).hexdigest())
    chosen = ranked[: int(count)]
    chosen.sort(key=lambda m: (m[1], m[2], m[0]))
    for m in chosen:
        fields = [m[0], m[1], str(m[2]), m[3], m[4].strip(), m[5].strip(), "equivalent" if m[0] in known else ""]
        print("\t".join(f.replace("\t", " ") for f in fields))
    sys.stderr.write("mutants: %d candidates, %d drawn\n" % (len(pool), len(chosen)))


def tree_files(root):
    for directory, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS)
        for name in files:
            yield os.path.relpath(os.path.join(directory, name), root)


def same_content(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def command_sync(source, scratch):
    """Copies the files that differ; a copied file gets a new time, so the
    build recompiles it even when it held a mutant newer than the source."""
    wanted = set(tree_files(source))
    for path in sorted(wanted):
        a = os.path.join(source, path)
        b = os.path.join(scratch, path)
        if os.path.islink(a):
            continue
        if os.path.exists(b) and same_content(a, b):
            continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        shutil.copyfile(a, b)
        shutil.copymode(a, b)
    for path in list(tree_files(scratch)):
        if path not in wanted:
            os.remove(os.path.join(scratch, path))


def command_apply(scratch, mutant_line):
    fields = mutant_line.split("\t")
    path, number, old, new = fields[1], int(fields[2]), fields[4], fields[5]
    full = os.path.join(scratch, path)
    with open(full, encoding="utf-8") as f:
        lines = f.read().split("\n")
    current = lines[number - 1]
    if current.strip() != old:
        sys.exit("mutants: %s:%d is not the line the mutant was drawn from" % (path, number))
    indent = current[: len(current) - len(current.lstrip())]
    lines[number - 1] = indent + new
    with open(full, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def command_restore(source, scratch, path):
    shutil.copyfile(os.path.join(source, path), os.path.join(scratch, path))


def main(argv):
    if len(argv) >= 2 and argv[1] == "list" and len(argv) == 7:
        command_list(*argv[2:])
    elif len(argv) == 4 and argv[1] == "sync":
        command_sync(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "apply":
        command_apply(argv[2], argv[3])
    elif len(argv) == 5 and argv[1] == "restore":
        command_restore(argv[2], argv[3], argv[4])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
