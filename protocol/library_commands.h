// The media-library commands of the command table. The library layer, above
// this one, defines them; the table only names them.
#pragma once

namespace commands {

int listAlbums(const char* argument);             // 30
int listArtists(const char* argument);            // 31
int listGenres(const char* argument);             // 32
int listAlbumTitles(const char* argument);        // 33
int listArtistAlbums(const char* argument);       // 34
int listGenreAlbums(const char* argument);        // 35
int playResult(const char* argument);             // 36
int listGenreTitles(const char* argument);        // 37
int listArtistTitles(const char* argument);       // 38
int listTitles(const char* argument);             // 39
int playGenre(const char* argument);              // 40
int playArtist(const char* argument);             // 41
int playAlbum(const char* argument);              // 42
int listArtistAlbumTitles(const char* argument);  // 43
int listGenreAlbumTitles(const char* argument);   // 44
int playArtistAlbum(const char* argument);        // 45
int playGenreAlbum(const char* argument);         // 46
int enqueueGenre(const char* argument);           // 47
int enqueueArtist(const char* argument);          // 48
int enqueueAlbum(const char* argument);           // 49
int enqueueArtistAlbum(const char* argument);     // 50
int enqueueGenreAlbum(const char* argument);      // 51
int enqueueResult(const char* argument);          // 52

}  // namespace commands
