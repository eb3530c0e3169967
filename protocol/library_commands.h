// The media-library commands of the command table. The library layer, above
// this one, defines them; the table only names them.
#pragma once

#include "protocol/command_table.h"

namespace commands {

// The browse lists.
void listAlbums(const Request& request, Reply& reply);
void listArtists(const Request& request, Reply& reply);
void listGenres(const Request& request, Reply& reply);
void listAlbumTitles(const Request& request, Reply& reply);
void listArtistAlbums(const Request& request, Reply& reply);
void listGenreAlbums(const Request& request, Reply& reply);
void listGenreTitles(const Request& request, Reply& reply);
void listArtistTitles(const Request& request, Reply& reply);
void listTitles(const Request& request, Reply& reply);
void listArtistAlbumTitles(const Request& request, Reply& reply);
void listGenreAlbumTitles(const Request& request, Reply& reply);

// Play or enqueue what the lists show: a title of the last browse list by its
// index, or every track of an artist, album, genre, or album of the artist or
// genre chosen before.
void pickTitle(const Request& request, Reply& reply);
void pickArtist(const Request& request, Reply& reply);
void pickAlbum(const Request& request, Reply& reply);
void pickGenre(const Request& request, Reply& reply);
void pickArtistAlbum(const Request& request, Reply& reply);
void pickGenreAlbum(const Request& request, Reply& reply);

}  // namespace commands
