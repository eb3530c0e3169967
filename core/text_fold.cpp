#include "core/text_fold.h"

#include <cstddef>
#include <string_view>

namespace {

// A block of Unicode letters and their folds: the character at each place of
// `folds` is the fold of the code point at that distance from `first`. A blank
// marks a character that is no letter (left as it is), a '*' one written out
// in two letters (see expansions).
struct FoldBlock {
    char16_t first;
    std::u16string_view folds;
};

constexpr FoldBlock foldBlocks[] = {
    // Latin-1 Supplement, from U+00C0.
    {0x00C0,
     u"aaaaaa*ceeeeiiii"    // ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏ
     u"dnooooo ouuuuy**"    // ÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß
     u"aaaaaa*ceeeeiiii"    // àáâãäåæçèéêëìíîï
     u"dnooooo ouuuuy*y"},  // ðñòóôõö÷øùúûüýþÿ
    // The micro sign is the small Greek mu in upper case.
    {0x00B5, u"μ"},
    // Latin Extended-A, from U+0100.
    {0x0100,
     u"aaaaaaccccccccdd"    // ĀāĂăĄąĆćĈĉĊċČčĎď
     u"ddeeeeeeeeeegggg"    // ĐđĒēĔĕĖėĘęĚěĜĝĞğ
     u"gggghhhhiiiiiiii"    // ĠġĢģĤĥĦħĨĩĪīĬĭĮį
     u"ii**jjkkĸlllllll"    // İıĲĳĴĵĶķĸĹĺĻļĽľĿ
     u"lllnnnnnnnŋŋoooo"    // ŀŁłŃńŅņŇňŉŊŋŌōŎŏ
     u"oo**rrrrrrssssss"    // ŐőŒœŔŕŖŗŘřŚśŜŝŞş
     u"ssttttttuuuuuuuu"    // ŠšŢţŤťŦŧŨũŪūŬŭŮů
     u"uuuuwwyyyzzzzzzs"},  // ŰűŲųŴŵŶŷŸŹźŻżŽžſ
    // Greek, from U+0386 (tonos and dialytika removed, final sigma as sigma).
    {0x0386,
     u"α εηι ο υω"         // Ά·ΈΉΊ Ό ΎΏ
     u"ιαβγδεζηθικλμνξο"   // ΐΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟ
     u"πρ στυφχψωιυαεηι"   // ΠΡ ΣΤΥΦΧΨΩΪΫάέήί
     u"υαβγδεζηθικλμνξο"   // ΰαβγδεζηθικλμνξο
     u"πρσστυφχψωιυουω"},  // πρςστυφχψωϊϋόύώ
    // Cyrillic, from U+0400 (the accented letters as their base letter).
    {0x0400,
     u"ееђгєѕііјљњћкиуџ"    // ЀЁЂЃЄЅІЇЈЉЊЋЌЍЎЏ
     u"абвгдежзииклмноп"    // АБВГДЕЖЗИЙКЛМНОП
     u"рстуфхцчшщъыьэюя"    // РСТУФХЦЧШЩЪЫЬЭЮЯ
     u"абвгдежзииклмноп"    // абвгдежзийклмноп
     u"рстуфхцчшщъыьэюя"    // рстуфхцчшщъыьэюя
     u"ееђгєѕііјљњћкиуџ"},  // ѐёђѓєѕіїјљњћќѝўџ
    // Ґ and ґ.
    {0x0490, u"ґґ"},
};

struct Expansion {
    char16_t character;
    char16_t folds[2];
};

constexpr Expansion expansions[] = {
    {0x00C6, {'a', 'e'}}, {0x00E6, {'a', 'e'}},  // Æ æ
    {0x00DE, {'t', 'h'}}, {0x00FE, {'t', 'h'}},  // Þ þ
    {0x00DF, {'s', 's'}},                        // ß
    {0x0132, {'i', 'j'}}, {0x0133, {'i', 'j'}},  // Ĳ ĳ
    {0x0152, {'o', 'e'}}, {0x0153, {'o', 'e'}},  // Œ œ
};

// The byte of `character` in the code page; false when it has none.
bool encodeCharacter(const platform::CodePage& codePage, char16_t character, unsigned char& byte) {
    if (character < 0x80) {
        byte = static_cast<unsigned char>(character);
        return true;
    }
    for (unsigned i = 0; i < 128; ++i) {
        if (!codePage.leadByte[i] && codePage.character[i] == character) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

FoldedCharacter foldCharacter(char16_t character) {
    FoldedCharacter folded;
    if (character >= 'A' && character <= 'Z') {
        folded.characters[0] = static_cast<char16_t>(character - 'A' + 'a');
        folded.length = 1;
        return folded;
    }
    for (const FoldBlock& block : foldBlocks) {
        if (character < block.first || character - block.first >= static_cast<int>(block.folds.size())) continue;
        const char16_t fold = block.folds[character - block.first];
        if (fold == u' ') return folded;
        if (fold != u'*') {
            folded.characters[0] = fold;
            folded.length = 1;
            return folded;
        }
        for (const Expansion& expansion : expansions) {
            if (expansion.character != character) continue;
            folded.characters[0] = expansion.folds[0];
            folded.characters[1] = expansion.folds[1];
            folded.length = 2;
        }
        return folded;
    }
    return folded;
}

TextFold::TextFold() {
    for (unsigned byte = 0; byte < 256; ++byte) {
        first[byte] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
        second[byte] = 0;
        leadByte[byte] = false;
    }
}

void buildTextFold(const platform::CodePage& codePage, TextFold& fold) {
    fold = TextFold{};
    fold.codePage = codePage.number;
    fold.doubleByte = codePage.doubleByte;
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        const unsigned index = byte - 0x80;
        if (codePage.doubleByte) {
            // No table of letters beyond ASCII: a double-byte character is
            // compared as it is.
            fold.leadByte[byte] = codePage.leadByte[index];
            continue;
        }
        const FoldedCharacter folded = foldCharacter(codePage.character[index]);
        unsigned char bytes[2] = {};
        bool written = folded.length > 0;
        for (int i = 0; i < folded.length && written; ++i)
            written = encodeCharacter(codePage, folded.characters[i], bytes[i]);
        if (!written) continue;
        fold.first[byte] = bytes[0];
        fold.second[byte] = folded.length == 2 ? bytes[1] : 0;
    }
}
