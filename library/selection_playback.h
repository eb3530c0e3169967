// Playing (mode 0) or enqueuing (mode 1) what the library lists show: one
// title of the last browse list by its index, or every track of an artist,
// album, genre, or album of the artist or genre chosen before. Each runs from
// the command table and from inside the browse lists, and sends no reply.
#pragma once

#include <cstdint>

void selectTitleByIndex(const char* argument, int mode);
void selectArtist(const char* argument, int mode);
void selectAlbum(const char* argument, int mode);
void selectGenre(const char* argument, int mode);
void selectArtistAlbum(const char* argument, int mode);
void selectGenreAlbum(const char* argument, int mode);
