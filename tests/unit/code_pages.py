#!/usr/bin/env python3
"""Writes the bytes 0x80 to 0xFF of single-byte Windows code pages as Python's
codecs decode them (0 for a byte a code page leaves undefined), as a C++ header
for the tests of the search's fold."""
import sys

CODE_PAGES = [1250, 1251, 1252, 1253, 1254, 1257]


def characters(number):
    result = []
    for byte in range(0x80, 0x100):
        try:
            text = bytes([byte]).decode(f"cp{number}")
        except UnicodeDecodeError:
            text = ""
        result.append(f"0x{ord(text):04X}" if len(text) == 1 else "0")
    return result


lines = ["// Written by tests/unit/code_pages.py from Python's codecs.", "#pragma once", "",
         "struct PublishedCodePage {", "    unsigned number;", "    char16_t characters[128];", "};", "",
         "constexpr PublishedCodePage publishedCodePages[] = {"]
for number in CODE_PAGES:
    lines.append(f"    {{{number}, {{{', '.join(characters(number))}}}}},")
lines.append("};")
with open(sys.argv[1], "w", encoding="ascii") as out:
    out.write("\n".join(lines) + "\n")
