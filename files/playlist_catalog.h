// The media library's playlist catalog, "playlists.xml": the file name of each
// library playlist, in the order of the catalog, which is the order of the
// titles in the library's "Playlists" menu.
#pragma once

#include <cstddef>
#include <cstdio>

#include "files/text_list.h"

// Takes the catalog's bytes as they come and adds to `names` the value of
// every `filename` attribute, read between its quotes wherever it stands in
// its element, with the XML entities of a name decoded. Bytes of value 0 are
// dropped first, so a catalog in 16-bit characters of plain ASCII reads the
// same as one in 8-bit characters.
//
// Every attribute keeps its place, so the n-th name belongs to the n-th title:
// a value that cannot be stored (longer than a path may be, an entity that is
// not a plain character, no closing quote before the end, no quotes or no
// value at all) becomes an empty entry, and when even that finds no room the names after it are dropped
// rather than moved up.
class CatalogScanner {
public:
    explicit CatalogScanner(TextList& names) : names_(names) {}
    void feed(const char* bytes, std::size_t length);
    // The end of the catalog.
    void finish();

private:
    enum class State { text, tagName, comment, inTag, attributeName, afterName, afterEquals, unquotedValue, value };

    void take(char c);
    void startAttribute(char c);
    // Whether the attribute name just read is "filename".
    bool namesFileName() const;
    void addName();
    void addEmptyName();

    TextList& names_;
    bool full_ = false;
    State state_ = State::text;
    // The first characters of a tag name or an attribute name.
    char word_[16] = {};
    std::size_t wordLength_ = 0;
    int dashes_ = 0;  // comments: '-' just before
    char quote_ = '\0';
    bool isFileName_ = false;
    // The raw value of a filename attribute, entities not yet decoded.
    char value_[1024] = {};
    std::size_t valueLength_ = 0;
    bool valueTooLong_ = false;
};

// Reads `file` to its end with a CatalogScanner.
void readPlaylistCatalog(std::FILE* file, TextList& names);
