// Where a test library comes from, as text: a library file or the shape of a
// generated library.
//
// A library file holds one record per line,
//   FILE|TITLE|ALBUM|ARTIST|GENRE
// Fields are taken byte for byte, blanks and quotation marks included, and
// cannot hold '|'. A field that is exactly \N is absent: the host hands the
// plug-in a null text for it. An empty field is an empty text. Blank lines
// and lines that begin with '#' are skipped; a CR before the LF is dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostsim/reference_host.h"

namespace hostsim {

constexpr std::string_view absentLibraryField = "\\N";

// One record line (without its line end). False when it does not hold
// exactly five fields.
bool parseLibraryLine(std::string_view line, LibraryEntry* entry);

// A whole library text, records in file order. False at the first line that
// is not a record, with "line N: ..." in `error`; `entries` is then empty.
bool parseLibraryText(std::string_view text, std::vector<LibraryEntry>* entries, std::string* error);

// The counts a generated library is made from (generateLibrary).
struct LibraryShape {
    int records = 0;
    int artists = 1;
    int albums = 1;
    int genres = 1;
};

// The largest count a shape may give.
constexpr int largestLibraryShape = 10'000'000;

// "N,A,B,G": records, artists, albums and genres as decimal numbers, N from 0,
// the others from 1, none above largestLibraryShape. False otherwise, and
// `shape` is left as it was.
bool parseLibraryShape(std::string_view text, LibraryShape* shape);

}  // namespace hostsim
