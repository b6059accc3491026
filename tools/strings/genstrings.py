#!/usr/bin/env python3
"""Builds the built-in string tables of the client from their data files.

    tools/strings/genstrings.py            write src/platform/strings_*.cpp, strings.h
    tools/strings/genstrings.py --check    only parse and validate

Data files (UTF-8; texts become Latin-1 in the program):
    vek_strings.txt   the 1,581 game strings
    bt_stories.txt    the 45 stories of the bard

An entry is "<ID> <NAME>" followed either by one or more quoted strings
(C escapes \\n, \\" and \\\\; continuation lines start with blanks and a quote)
or by "<<" and verbatim lines up to a line holding only ">>". Lines starting
with "#" are comments. In a verbatim block "\\" at the very end of a line joins
it to the next line without a line break.

Positions equal IDs, except the two neighbours 1566 and 1567, which carry
each other's ID (the table keeps that historic swap).
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SRC = os.path.join(ROOT, "src", "platform")
TESTS = os.path.join(ROOT, "tests", "platform")

VEK_COUNT = 1581
BT_COUNT = 45
SWAPPED = {1566: 1567, 1567: 1566}  # ID -> position
WAREN_COUNT = 116

NAME_RE = re.compile(r"^(_VEK_|_BT_)[A-Z0-9_]+$")
HEAD_RE = re.compile(r"^(\d+|\?)\s+(\S+)\s*(.*)$")
QUOTED_RE = re.compile(r'"((?:[^"\\]|\\.)*)"')


class DataError(Exception):
    pass


def unescape(s, where):
    out = []
    i = 0
    while i < len(s):
        c = s[i]
        if c == "\\":
            if i + 1 >= len(s):
                raise DataError(f"{where}: dangling backslash")
            n = s[i + 1]
            if n == "n":
                out.append("\n")
            elif n in '"\\':
                out.append(n)
            else:
                raise DataError(f"{where}: unknown escape \\{n}")
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def parse_quoted_run(rest, where):
    """Parses a line made only of quoted strings; returns their joined text."""
    pos = 0
    parts = []
    rest = rest.strip()
    while pos < len(rest):
        m = QUOTED_RE.match(rest, pos)
        if not m:
            raise DataError(f"{where}: expected a quoted string: {rest[pos:]!r}")
        parts.append(unescape(m.group(1), where))
        pos = m.end()
        while pos < len(rest) and rest[pos] in " \t":
            pos += 1
    return "".join(parts)


def parse(path):
    """Returns a list of (id or None, name, text, line number)."""
    entries = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    cur = None
    while i < len(lines):
        line = lines[i]
        where = f"{os.path.basename(path)}:{i + 1}"
        i += 1
        if line.startswith("#") or not line.strip():
            cur = None if not line.strip() else cur
            continue
        if line[0] in " \t":
            if cur is None:
                raise DataError(f"{where}: continuation without an entry")
            cur[2] += parse_quoted_run(line, where)
            continue
        m = HEAD_RE.match(line)
        if not m:
            raise DataError(f"{where}: expected '<ID> <NAME> text'")
        ident = None if m.group(1) == "?" else int(m.group(1))
        name, rest = m.group(2), m.group(3).strip()
        if not NAME_RE.match(name):
            raise DataError(f"{where}: bad name {name}")
        if rest == "<<":
            block = []
            while True:
                if i >= len(lines):
                    raise DataError(f"{where}: block of {name} not closed by '>>'")
                if lines[i] == ">>":
                    i += 1
                    break
                block.append(lines[i])
                i += 1
            text = ""
            for k, b in enumerate(block):
                if b.endswith("\\"):
                    text += b[:-1]
                else:
                    text += b + ("\n" if k + 1 < len(block) else "")
            cur = [ident, name, text, where]
            entries.append(cur)
            cur = None
            continue
        cur = [ident, name, parse_quoted_run(rest, where) if rest else "", where]
        entries.append(cur)
    return entries


def latin1(text, where):
    try:
        return text.encode("latin-1")
    except UnicodeEncodeError as e:
        raise DataError(f"{where}: text has a character outside Latin-1: {e}")


def c_literal(data):
    """A C string literal for Latin-1 bytes, wrapped after line feeds."""
    pieces = []
    cur = ""
    for b in data:
        if b == 0x0A:
            cur += "\\n"
            pieces.append(cur)
            cur = ""
            continue
        if b == 0x22:
            cur += '\\"'
        elif b == 0x5C:
            cur += "\\\\"
        elif 0x20 <= b < 0x7F:
            cur += chr(b)
        else:
            cur += "\\%03o" % b
    if cur or not pieces:
        pieces.append(cur)
    return pieces


def check_table(entries, count, label):
    by_pos = {}
    names = set()
    for ident, name, text, where in entries:
        if ident is None:
            raise DataError(f"{where}: {name} has no ID")
        if name in names:
            raise DataError(f"{where}: {name} appears twice")
        names.add(name)
        pos = SWAPPED.get(ident, ident) if label == "vek" else ident
        if not 0 <= pos < count:
            raise DataError(f"{where}: ID {ident} outside the table")
        if pos in by_pos:
            raise DataError(f"{where}: ID {ident} given twice ({by_pos[pos][1]}, {name})")
        latin1(text, where)
        by_pos[pos] = (ident, name, text, where)
    missing = [p for p in range(count) if p not in by_pos]
    if missing:
        raise DataError(f"{label}: {len(missing)} positions without an entry, first {missing[:10]}")
    return [by_pos[p] for p in range(count)]


WAREN_TYPES = None  # filled from the data: _VEK_WAREN_* in ID order


def emit_table(rows, array, count_const, header_note):
    out = []
    out.append("// " + header_note)
    out.append("// Generated by tools/strings/genstrings.py from tools/strings/; edit the data, not this file.")
    out.append('#include "platform/strings.h"')
    out.append("")
    out.append(f"LocStr {array}[{count_const}] = {{")
    for ident, name, text, where in rows:
        lits = c_literal(latin1(text, where))
        out.append(f"    // {name}")
        if len(lits) == 1:
            out.append(f'    {{{ident}, "{lits[0]}"}},')
        else:
            out.append(f"    {{{ident},")
            for k, l in enumerate(lits):
                out.append(f'     "{l}"' + ("}," if k + 1 == len(lits) else ""))
    out.append("};")
    return out


def main():
    check_only = "--check" in sys.argv
    try:
        vek = check_table(parse(os.path.join(HERE, "vek_strings.txt")), VEK_COUNT, "vek")
        bt = check_table(parse(os.path.join(HERE, "bt_stories.txt")), BT_COUNT, "bt")
    except DataError as e:
        print(f"genstrings: {e}", file=sys.stderr)
        return 1
    waren = [(ident, name) for ident, name, _, _ in vek if name.startswith("_VEK_WAREN_")]
    waren.sort()
    if len(waren) != WAREN_COUNT:
        print(f"genstrings: {len(waren)} ware names, {WAREN_COUNT} expected", file=sys.stderr)
        return 1
    if check_only:
        print(f"genstrings: {len(vek)} game strings, {len(bt)} stories, {len(waren)} wares: ok")
        return 0

    vek_cpp = emit_table(vek, "VekStrings", "VEK_STRING_COUNT",
                         "The built-in English game strings, in table order.")
    vek_cpp.append("")
    vek_cpp.append("// Ware names by ware type.")
    vek_cpp.append("LocStr *const Waren[WAREN_COUNT] = {")
    for ident, name in waren:
        vek_cpp.append(f"    &{name},")
    vek_cpp.append("};")
    bt_cpp = emit_table(bt, "RoredIdezStrings", "BT_STRING_COUNT",
                        "The built-in English stories of the bard, in table order (ID = position).")

    h = []
    h.append("// Every built-in string by its name: a reference to its entry in the tables")
    h.append("// of platform/catalog.h, so screens write GetString(&_VEK_TITEL1) and the")
    h.append("// compiler checks the name. Positions equal IDs except 1566 and 1567, which")
    h.append("// carry each other's ID.")
    h.append("// Generated by tools/strings/genstrings.py from tools/strings/; edit the data, not this file.")
    h.append("#pragma once")
    h.append('#include "platform/catalog.h"')
    h.append("")
    h.append(f"constexpr int WAREN_COUNT = {WAREN_COUNT};")
    h.append("extern LocStr *const Waren[WAREN_COUNT];  // ware names by ware type 0..115")
    h.append("")
    for pos, (ident, name, _, _) in enumerate(vek):
        h.append(f"inline constexpr LocStr &{name} = VekStrings[{pos}];")
    h.append("")
    for pos, (ident, name, _, _) in enumerate(bt):
        h.append(f"inline constexpr LocStr &{name} = RoredIdezStrings[{pos}];")

    # Every entry by name, for the tests that compare the table with its groups.
    inc = ["// Every built-in string with its name, in table order.",
           "// Generated by tools/strings/genstrings.py from tools/strings/; edit the data, not this file."]
    for ident, name, _, _ in vek:
        inc.append(f'{{"{name}", &{name}}},')
    inc_bt = ["// Every story string with its name, in table order.",
              "// Generated by tools/strings/genstrings.py from tools/strings/; edit the data, not this file."]
    for ident, name, _, _ in bt:
        inc_bt.append(f'{{"{name}", &{name}}},')

    outputs = ((os.path.join(SRC, "strings_vek.cpp"), vek_cpp), (os.path.join(SRC, "strings_bt.cpp"), bt_cpp),
               (os.path.join(SRC, "strings.h"), h), (os.path.join(TESTS, "strings_vek_names.inc"), inc),
               (os.path.join(TESTS, "strings_bt_names.inc"), inc_bt))
    for path, lines in outputs:
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(lines) + "\n")
    print(f"genstrings: wrote {len(vek)} game strings, {len(bt)} stories")
    return 0


if __name__ == "__main__":
    sys.exit(main())
