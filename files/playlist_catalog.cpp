#include "files/playlist_catalog.h"

#include <cstring>

#include "files/paths.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct NamedEntity {
    const char* name;
    char character;
};
constexpr NamedEntity namedEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

// The character of the entity `text` (what stands between '&' and ';'); false
// for one that is not a plain ASCII character (NUL is none).
bool entityCharacter(const char* text, std::size_t length, char& character) {
    for (const NamedEntity& entity : namedEntities) {
        if (std::strlen(entity.name) == length && std::memcmp(entity.name, text, length) == 0) {
            character = entity.character;
            return true;
        }
    }
    if (length < 2 || text[0] != '#') return false;
    const bool hex = text[1] == 'x';
    std::size_t at = hex ? 2 : 1;
    if (at == length) return false;
    long value = 0;
    for (; at < length; ++at) {
        const char c = text[at];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 127) return false;
    }
    character = static_cast<char>(value);
    return value != 0;
}

// Decodes `raw` into `name`; false when it does not fit or holds an entity
// that is not a plain character.
bool decodeName(const char* raw, std::size_t rawLength, char (&name)[pathSize], std::size_t& length) {
    length = 0;
    for (std::size_t at = 0; at < rawLength; ++at) {
        char c = raw[at];
        if (c == '&') {
            const void* end = std::memchr(raw + at + 1, ';', rawLength - at - 1);
            if (end == nullptr) return false;
            const std::size_t entityLength = static_cast<std::size_t>(static_cast<const char*>(end) - (raw + at + 1));
            if (!entityCharacter(raw + at + 1, entityLength, c)) return false;
            at += entityLength + 1;
        }
        if (length == sizeof name - 1) return false;
        name[length++] = c;
    }
    name[length] = '\0';
    return true;
}

}  // namespace

void CatalogScanner::feed(const char* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (bytes[i] != '\0') take(bytes[i]);
    }
}

void CatalogScanner::finish() {
    // A value the catalog never closed, or never began, is no name, but it
    // keeps its place.
    if ((state_ == State::value && isFileName_) || (state_ == State::afterEquals && namesFileName())) addEmptyName();
    state_ = State::text;
}

bool CatalogScanner::namesFileName() const { return wordLength_ == 8 && std::memcmp(word_, "filename", 8) == 0; }

void CatalogScanner::addEmptyName() {
    valueTooLong_ = true;
    addName();
}

void CatalogScanner::startAttribute(char c) {
    word_[0] = c;
    wordLength_ = 1;
    state_ = State::attributeName;
}

void CatalogScanner::take(char c) {
    switch (state_) {
        case State::text:
            if (c == '<') {
                wordLength_ = 0;
                state_ = State::tagName;
            }
            return;
        case State::tagName:
            if (isSpace(c) || c == '/') {
                state_ = State::inTag;
            } else if (c == '>') {
                state_ = State::text;
            } else {
                if (wordLength_ < sizeof word_) word_[wordLength_++] = c;
                if (wordLength_ == 3 && std::memcmp(word_, "!--", 3) == 0) {
                    dashes_ = 0;
                    state_ = State::comment;
                }
            }
            return;
        case State::comment:
            if (c == '>' && dashes_ >= 2) state_ = State::text;
            dashes_ = c == '-' ? dashes_ + 1 : 0;
            return;
        case State::inTag:
            if (c == '>') {
                state_ = State::text;
            } else if (c == '"' || c == '\'') {
                // A value with no name before it belongs to no attribute.
                quote_ = c;
                isFileName_ = false;
                state_ = State::value;
            } else if (!isSpace(c) && c != '/' && c != '?') {
                startAttribute(c);
            }
            return;
        case State::attributeName:
            if (isSpace(c)) {
                state_ = State::afterName;
            } else if (c == '=') {
                state_ = State::afterEquals;
            } else if (c == '>') {
                state_ = State::text;
            } else if (c == '/') {
                state_ = State::inTag;
            } else if (wordLength_ < sizeof word_) {
                word_[wordLength_++] = c;
            } else {
                wordLength_ = sizeof word_ + 1;  // longer than any name looked for
            }
            return;
        case State::afterName:
            if (c == '=') {
                state_ = State::afterEquals;
            } else if (c == '>') {
                state_ = State::text;
            } else if (!isSpace(c)) {
                startAttribute(c);
            }
            return;
        case State::afterEquals:
            if (c == '"' || c == '\'') {
                quote_ = c;
                isFileName_ = namesFileName();
                valueLength_ = 0;
                valueTooLong_ = false;
                state_ = State::value;
            } else if (!isSpace(c)) {
                // A filename without quotes, or with no value at all, keeps
                // its place as an empty entry.
                if (namesFileName()) addEmptyName();
                state_ = c == '>' ? State::text : State::unquotedValue;
            }
            return;
        case State::unquotedValue:
            if (c == '>') {
                state_ = State::text;
            } else if (isSpace(c)) {
                state_ = State::inTag;
            }
            return;
        case State::value:
            if (c == quote_) {
                if (isFileName_) addName();
                state_ = State::inTag;
            } else if (isFileName_) {
                if (valueLength_ < sizeof value_) {
                    value_[valueLength_++] = c;
                } else {
                    valueTooLong_ = true;
                }
            }
            return;
    }
}

void CatalogScanner::addName() {
    if (full_) return;
    char name[pathSize];
    std::size_t length = 0;
    const bool stored = !valueTooLong_ && decodeName(value_, valueLength_, name, length);
    if (stored && names_.append(name, length)) return;
    if (!names_.append("", 0)) full_ = true;
}

void readPlaylistCatalog(std::FILE* file, TextList& names) {
    CatalogScanner scanner(names);
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) scanner.feed(chunk, got);
    scanner.finish();
}
