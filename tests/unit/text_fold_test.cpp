// The search's fold against Unicode's own data: every letter of the Latin-1
// Supplement, Latin Extended-A, and the Greek and Cyrillic of the Windows code
// pages, folded as UnicodeData.txt's decompositions, case mappings and names
// say, with the expansions written out; and the byte tables of single-byte
// code pages as Python's codecs decode them.

#include "core/text_fold.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "code_pages.h"

namespace {

struct UnicodeCharacter {
    std::string name, category, decomposition;
    char16_t upper = 0, lower = 0;
};

std::map<char16_t, UnicodeCharacter> readUnicodeData() {
    std::map<char16_t, UnicodeCharacter> data;
    std::ifstream file(QUILLON_UNICODE_DATA);
    std::string line;
    while (std::getline(file, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
        const unsigned long code = std::stoul(fields[0], nullptr, 16);
        if (code >= 0x0500 || fields.size() < 14) continue;
        const auto hex = [](const std::string& text) {
            return static_cast<char16_t>(text.empty() ? 0 : std::stoul(text, nullptr, 16));
        };
        data[static_cast<char16_t>(code)] = {fields[1], fields[2], fields[5], hex(fields[12]), hex(fields[13])};
    }
    return data;
}

const std::map<char16_t, UnicodeCharacter>& unicode() {
    static const std::map<char16_t, UnicodeCharacter> data = readUnicodeData();
    return data;
}

// The expansions, and three choices of ours: ĳ as "ij", eth as "d"
// (as it is written in ASCII), ŉ as "n" (its apostrophe dropped like an accent).
const std::map<char16_t, std::u16string> writtenOut = {{u'ß', u"ss"}, {u'æ', u"ae"}, {u'Æ', u"ae"}, {u'œ', u"oe"},
                                                       {u'Œ', u"oe"}, {u'þ', u"th"}, {u'Þ', u"th"}, {u'ĳ', u"ij"},
                                                       {u'Ĳ', u"ij"}, {u'ð', u"d"},  {u'Ð', u"d"},  {u'ŉ', u"n"}};

// The fold as Unicode's data gives it: a canonical decomposition's base
// character; a Latin letter "X WITH" a mark (stroke, middle dot) as x; the
// small letter, also by way of the capital (ς to Σ to σ, ı to I to i).
std::u16string expectedFold(char16_t c) {
    if (const auto found = writtenOut.find(c); found != writtenOut.end()) return found->second;
    const UnicodeCharacter& u = unicode().at(c);
    if (!u.decomposition.empty() && u.decomposition[0] != '<')
        return expectedFold(static_cast<char16_t>(std::stoul(u.decomposition.substr(0, 4), nullptr, 16)));
    static const std::regex latinWithMark("LATIN (CAPITAL|SMALL) LETTER ([A-Z]) WITH .*");
    std::smatch letter;
    if (std::regex_match(u.name, letter, latinWithMark))
        return std::u16string(1, static_cast<char16_t>(letter[2].str()[0] - 'A' + 'a'));
    if (u.lower != 0) return std::u16string(1, u.lower);
    if (u.upper != 0 && unicode().at(u.upper).lower != 0) return std::u16string(1, unicode().at(u.upper).lower);
    return std::u16string(1, c);
}

std::u16string foldOf(char16_t c) {
    const FoldedCharacter folded = foldCharacter(c);
    return folded.length == 0 ? std::u16string(1, c) : std::u16string(folded.characters, folded.length);
}

bool covered(char16_t c) {
    return (c >= 0x00C0 && c <= 0x017F) || c == 0x00B5 || (c >= 0x0386 && c <= 0x03CE) ||
           (c >= 0x0400 && c <= 0x045F) || c == 0x0490 || c == 0x0491;
}

TEST(TextFold, EveryLetterFoldsAsUnicodesDataSays) {
    ASSERT_GT(unicode().size(), 1000u) << "no " << QUILLON_UNICODE_DATA << " (Debian's unicode-data)";
    int letters = 0;
    for (char16_t c = 0x20; c < 0x0500; ++c) {
        const auto found = unicode().find(c);
        const bool letter = found != unicode().end() && found->second.category[0] == 'L';
        if (letter && (covered(c) || c < 0x80)) {
            ++letters;
            EXPECT_EQ(foldOf(c), expectedFold(c)) << std::hex << "U+" << unsigned(c) << " " << found->second.name;
        } else {
            EXPECT_EQ(foldCharacter(c).length, 0) << std::hex << "U+" << unsigned(c) << " is left as it is";
        }
    }
    // ASCII, Latin-1 (but × and ÷), Latin Extended-A, µ, Greek, Cyrillic.
    EXPECT_EQ(letters, 52 + 62 + 128 + 1 + 69 + 96 + 2);
}

// Each byte of a single-byte code page folds to the bytes of its character's
// fold, or stays as it is where the code page cannot write that fold; a
// capital and its small letter fold alike.
TEST(TextFold, SingleByteCodePagesFoldEachByteAsItsCharacter) {
    for (const PublishedCodePage& published : publishedCodePages) {
        platform::CodePage page;
        page.number = published.number;
        std::map<char16_t, unsigned char> bytes;
        for (unsigned i = 0; i < 128; ++i) {
            page.character[i] = published.characters[i];
            bytes.emplace(published.characters[i], static_cast<unsigned char>(0x80 + i));
        }
        for (unsigned char b = 0; b < 0x80; ++b) bytes.emplace(b, b);
        TextFold fold;
        buildTextFold(page, fold);
        EXPECT_EQ(fold.codePage, published.number);
        for (unsigned b = 1; b < 256; ++b) {
            const char16_t c = b < 0x80 ? static_cast<char16_t>(b) : page.character[b - 0x80];
            std::string expected(1, static_cast<char>(b));
            if (covered(c) || (c >= 'A' && c <= 'Z')) {
                std::string written;
                for (char16_t f : expectedFold(c))
                    if (bytes.count(f)) written += static_cast<char>(bytes[f]);
                if (written.size() == expectedFold(c).size()) expected = written;
            }
            std::string actual(1, static_cast<char>(fold.first[b]));
            if (fold.second[b] != 0) actual += static_cast<char>(fold.second[b]);
            EXPECT_EQ(actual, expected) << published.number << " byte " << b;
            const auto small = unicode().find(c);
            if (c >= 0x80 && small != unicode().end() && small->second.lower != 0 && bytes.count(small->second.lower)) {
                const unsigned char l = bytes[small->second.lower];
                EXPECT_TRUE(fold.first[l] == fold.first[b] && fold.second[l] == fold.second[b])
                    << published.number << " byte " << b << " and its small letter " << unsigned(l);
            }
        }
    }
}

}  // namespace
