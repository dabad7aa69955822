#!/usr/bin/env python3
"""Turns the UTF-8 type library source into what widl can read.

widl accepts ASCII identifiers only and stores the bytes of help strings as they are, while
type library strings are read in the Windows ANSI code page. So: identifiers that hold accented
letters (parameter names such as strChaîneDéf) are replaced by their unaccented form, the list
of those replacements is written for the step that puts the real names back into the finished
type library, and the whole file is written in Windows-1252.

widl also reads only the escapes \\ and \" in strings and drops a line feed; help strings that need
a line end write \r\n. The carriage return is given to widl as itself and the line feed as the
character DEL (0x7F), which the finishing step turns into a line feed.

usage: prepare_idl.py SOURCE.idl OUTPUT.idl NAMES.txt
"""
import re
import sys
import unicodedata

LINE_END_ESCAPES = {"r": "\r", "n": "\x7f"}
TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|//[^\n]*|/\*.*?\*/|[^\W\d]\w*', re.S)


def unaccented(name):
    decomposed = unicodedata.normalize("NFKD", name)
    return "".join(c for c in decomposed if not unicodedata.combining(c))


def main(source, output, names_file):
    text = open(source, encoding="utf-8").read()
    identifiers = {m.group(0) for m in TOKEN.finditer(text) if m.group(0)[0] not in '"/'}
    renames = {}
    for name in sorted(identifiers):
        if name.isascii():
            continue
        plain = unaccented(name)
        if not plain.isascii() or not re.fullmatch(r"[A-Za-z_]\w*", plain):
            sys.exit(f"{source}: identifier {name!r} has no ASCII form")
        if plain in identifiers or plain in renames.values():
            sys.exit(f"{source}: {name!r} and another identifier both read {plain!r} without accents")
        renames[name] = plain

    def replace(match):
        token = match.group(0)
        if token.startswith('"'):
            return re.sub(r"\\(.)", lambda e: LINE_END_ESCAPES.get(e.group(1), e.group(0)), token)
        return renames.get(token, token)

    converted = TOKEN.sub(replace, text)
    with open(output, "w", encoding="cp1252", newline="\n") as out:
        out.write(converted)
    with open(names_file, "w", encoding="utf-8", newline="\n") as out:
        for name, plain in sorted(renames.items()):
            out.write(f"{plain}\t{name}\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
