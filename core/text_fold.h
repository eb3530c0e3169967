// How a search compares texts: each letter folded to one form (lower case,
// accents removed, ligatures and the like written out), as the PC's code page
// defines its letters. The fold of each Unicode letter is ours, written from
// Unicode's case and decomposition data; at start it is turned into a table of
// the 256 bytes of the PC's code page.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The fold of one character: one or two characters; none (length 0) for a
// character the fold leaves as it is.
struct FoldedCharacter {
    char16_t characters[2] = {};
    int length = 0;
};

// Latin-1 Supplement and Latin Extended-A letters fold to ASCII ("ß" to "ss",
// "Æ" to "ae", "Ø" to "o"); Greek and Cyrillic letters to their small letter
// without accents.
FoldedCharacter foldCharacter(char16_t character);

// Every byte of the PC's code page folded: one byte, or two where a letter is
// written out. In a double-byte code page only the ASCII letters fold, and the
// bytes that begin a two-byte character are marked: such a character is
// compared whole, as it is, and nothing matches inside it.
struct TextFold {
    std::uint32_t codePage = 0;
    bool doubleByte = false;
    unsigned char first[256];
    unsigned char second[256];  // 0 when the fold is one byte
    bool leadByte[256];

    // Until the code page is known: the ASCII letters alone fold.
    TextFold();
};

// The table for `codePage`. A letter whose fold the code page cannot write
// stays as it is.
void buildTextFold(const platform::CodePage& codePage, TextFold& fold);
