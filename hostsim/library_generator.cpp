#include "hostsim/library_generator.h"

#include <string>

namespace hostsim {

namespace {

std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15ull;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

std::uint64_t draw(std::uint32_t seed, std::uint64_t salt, std::uint64_t index) {
    return mix(mix(seed * 0x100000001b3ull ^ salt) ^ index);
}

constexpr const char* syllables[] = {"ka", "lo",  "mi",  "ra", "ven", "to",  "sa",  "dre", "ul", "ne",  "qua",
                                     "bi", "zor", "fe",  "ly", "ma",  "cho", "tri", "pa",  "gu", "sel", "wi",
                                     "ox", "den", "ari", "po", "shi", "va",  "rem", "ju",  "ta", "yel"};
constexpr std::uint64_t syllableCount = sizeof syllables / sizeof syllables[0];

// A word of 1 to 3 syllables; upper case first unless `lower`.
std::string word(std::uint64_t bits, bool lower) {
    std::string text;
    const int length = 1 + static_cast<int>(bits % 3);
    bits /= 3;
    for (int i = 0; i < length; ++i) {
        text += syllables[bits % syllableCount];
        bits /= syllableCount;
    }
    if (!lower) text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// The number k written in syllables: distinct numbers give distinct words.
std::string numberWord(std::uint64_t k) {
    std::string text;
    do {
        text += syllables[k % syllableCount];
        k /= syllableCount;
    } while (k != 0);
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// One random word, then a word that tells it apart from every other name of
// its kind; about one name in twelve begins in lower case.
std::string name(std::uint32_t seed, std::uint64_t kind, std::uint64_t k) {
    const std::uint64_t bits = draw(seed, kind, k);
    std::string text = word(bits >> 8, bits % 12 == 0);
    text += ' ';
    text += numberWord(k);
    return text;
}

}  // namespace

std::vector<LibraryEntry> generateLibrary(int records, int artists, int albums, int genres, std::uint32_t seed) {
    if (artists < 1) artists = 1;
    if (albums < 1) albums = 1;
    if (genres < 1) genres = 1;
    std::vector<LibraryEntry> library;
    if (records <= 0) return library;
    library.reserve(static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i) {
        const int album = static_cast<int>(static_cast<long long>(i) * albums / records);
        const int firstOfAlbum = static_cast<int>((static_cast<long long>(album) * records + albums - 1) / albums);
        LibraryEntry entry;
        entry.artist = name(seed, 1, static_cast<std::uint64_t>(album % artists));
        entry.album = name(seed, 2, static_cast<std::uint64_t>(album));
        entry.genre = name(seed, 3, static_cast<std::uint64_t>(album % genres));
        const std::uint64_t bits = draw(seed, 4, static_cast<std::uint64_t>(i));
        entry.title = word(bits, bits % 16 == 0);
        for (int w = 1 + static_cast<int>((bits >> 40) % 3); w > 0; --w) {
            entry.title += ' ';
            entry.title += word(draw(seed, 5 + static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(i)), true);
        }
        const int track = i - firstOfAlbum + 1;
        entry.fileName = "C:\\Music\\" + entry.artist + "\\" + entry.album + "\\" + (track < 10 ? "0" : "") +
                         std::to_string(track) + " " + entry.title + ".mp3";
        library.push_back(std::move(entry));
    }
    return library;
}

}  // namespace hostsim
