// A media library made up for tests and benchmarks: the same entries for the
// same arguments, on every machine.
#pragma once

#include <cstdint>
#include <vector>

#include "hostsim/reference_host.h"

namespace hostsim {

// `records` tracks on `albums` albums by `artists` artists in `genres` genres
// (each count at least 1). Album k is by artist k % artists and of genre
// k % genres, so every artist and genre has an album while albums >= artists
// and albums >= genres. Tracks come album by album, as a library filled folder
// by folder does; names are made-up words, some beginning in lower case, and
// distinct for distinct artists, albums and genres. `seed` varies the words.
std::vector<LibraryEntry> generateLibrary(int records, int artists, int albums, int genres, std::uint32_t seed = 1);

}  // namespace hostsim
