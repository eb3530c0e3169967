// The soak's random command streams: the library the run is given, what the
// phone learns of it, and the generator of valid commands with the model that
// tells what each should do. The soak under Wine and the wire comparison run
// natively both read them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/host_interface.h"
#include "hostsim/library_generator.h"
#include "hostsim/library_source.h"
#include "hostsim/reference_host.h"
#include "tests/equalizer_presets.h"

namespace soak {

using Entry = hostsim::LibraryEntry;

// ---- what the run is given -------------------------------------------------------

// 3000 tracks by 70 artists on 300 albums in 5 genres: every list pages (the
// artists' list over two pages, the titles over sixty, the albums of a genre
// over two), an artist with five albums has exactly one page of titles, and
// about one name in twelve begins in lower case, so byte order matters.
constexpr int libraryRecords = 3000;
constexpr int libraryArtists = 70;
constexpr int libraryAlbums = 300;
constexpr int libraryGenres = 5;
const char* const libraryShape = "3000,70,300,5";
// Records added to it after start, as lines of a library file: titles with
// colons, which the now-playing line shows as semicolons, and names with
// bytes above 127, which sort after every ASCII name, lower case after upper.
const char* const extraRecords[] = {
    "C:\\Music\\Extra\\intro.mp3|Intro: Part 1: Dawn|\xDC"
    "ber Alles|\xC9"
    "lan Vital|\xC9"
    "lectro",
    "C:\\Music\\Extra\\coda.mp3|coda: the end|\xDC"
    "ber Alles|\xC9"
    "lan Vital|\xC9"
    "lectro",
    "C:\\Music\\Extra\\zed.mp3|Zed|zebra crossing|\xE9"
    "lan vital|\xC9"
    "lectro",
    "C:\\Music\\Extra\\abc.mp3|Abc: def|Colons: Album|Colon Band|Pop: Rock",
};
constexpr int extraRecordCount = sizeof extraRecords / sizeof extraRecords[0];

// The volume the host's INI file gives the plug-in at start.
constexpr int startVolume = 150;
const std::string iniText =
    "[Quillon Bluetooth remote control]\nportName=COM7\n[Winamp]\nvolume=" + std::to_string(startVolume) + "\n";

// The host enqueues whole genres; a playlist kept below this many entries
// keeps the host's own memory from growing with the run's length.
constexpr int playlistCap = 1500;

// The test host's memory at the end may exceed its memory after the first
// thousand commands by at most this share. The process holds about 21 MB,
// and between batches it wanders by about 1 MB (5 %) with no trend, with what
// it legitimately holds for a while: the results of two queries of up to the
// whole library, a batch's request log with lines that name hundreds of
// files, a playlist under its cap. 10 % is about 2 MB, what a steady leak of
// 20 bytes a command piles up over 100,000 commands, or of 1 KB over the
// test's 3,000.
constexpr double memoryMargin = 0.10;

// ---- a deterministic random sequence ------------------------------------------------

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 <= result < bound
    int below(int bound) { return bound <= 1 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    T pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
    }

private:
    std::uint64_t state_;
};

// ---- the media library as the phone learns it ------------------------------------

enum class Field { artist, album, genre, title };

inline const std::string& fieldOf(const Entry& entry, Field field) {
    switch (field) {
        case Field::artist:
            return entry.artist;
        case Field::album:
            return entry.album;
        case Field::genre:
            return entry.genre;
        case Field::title:
            break;
    }
    return entry.title;
}

using Records = std::vector<const Entry*>;

struct Library {
    std::vector<Entry> entries;
    std::vector<std::string> artists, albums, genres;  // each name once, byte order
    std::map<std::string, std::vector<std::string>> albumsOfArtist, albumsOfGenre;
    std::map<std::string, const Entry*> byFile;

    Library() : entries(hostsim::generateLibrary(libraryRecords, libraryArtists, libraryAlbums, libraryGenres)) {
        for (const char* line : extraRecords) {
            Entry entry;
            hostsim::parseLibraryLine(line, &entry);
            entries.push_back(entry);
        }
        std::set<std::string> a, b, g;
        std::map<std::string, std::set<std::string>> ofArtist, ofGenre;
        for (const Entry& entry : entries) {
            a.insert(entry.artist);
            b.insert(entry.album);
            g.insert(entry.genre);
            ofArtist[entry.artist].insert(entry.album);
            ofGenre[entry.genre].insert(entry.album);
            byFile[entry.fileName] = &entry;
        }
        artists.assign(a.begin(), a.end());
        albums.assign(b.begin(), b.end());
        genres.assign(g.begin(), g.end());
        for (auto& [name, set] : ofArtist) albumsOfArtist[name].assign(set.begin(), set.end());
        for (auto& [name, set] : ofGenre) albumsOfGenre[name].assign(set.begin(), set.end());
    }

    // The records whose fields equal the given values (an empty condition
    // list matches every record: the generated library has no empty field),
    // sorted by `order`, byte by byte.
    Records find(std::initializer_list<std::pair<Field, std::string>> conditions, Field order) const {
        Records found;
        for (const Entry& entry : entries) {
            bool matches = true;
            for (const auto& [field, value] : conditions) matches = matches && fieldOf(entry, field) == value;
            if (matches) found.push_back(&entry);
        }
        // std::string compares its bytes as unsigned values.
        std::stable_sort(found.begin(), found.end(),
                         [order](const Entry* x, const Entry* y) { return fieldOf(*x, order) < fieldOf(*y, order); });
        return found;
    }
};

// ---- what one command is expected to do -----------------------------------------------

// One expected effect, in order: a request the host receives or a reply line.
// Requests whose form depends on the host's answers (a toggle, the equalizer
// report, the now-playing queries) are worked out while checking, with a
// shadow of the host that receives the same requests.
struct Step {
    enum Kind {
        user,             // WM_USER: a = lParam, b = wParam
        command,          // WM_COMMAND: a = identifier
        addFile,          // WM_USER 100 with one of `records`' files
        release,          // library: release results
        run,              // library: run the query `text`
        play,             // library: play (a = 0) or enqueue (a = 1) `records` in title order
        reply,            // the reply line `text`
        equalizerReport,  // ten band reads, then the equalizer line
        toggle,           // read setting a, then set setting b to its opposite
        nowPlaying,       // the now-playing queries, then the line when the host has a title
        version,          // the version request, then the version line
        pushOff,          // nothing on the line: the now-playing push stops
    } kind;
    std::int32_t a = 0, b = 0;
    std::string text;
    Records records;

    static Step of(Kind kind, std::int32_t a = 0, std::int32_t b = 0, std::string text = {}, Records records = {}) {
        return Step{kind, a, b, std::move(text), std::move(records)};
    }
};

// What a play or enqueue command picks: one title of the last browse list by
// its index, or every track of an artist, album, genre, or album of the
// remembered artist or genre.
enum class Pick { titleIndex, artist, album, genre, artistAlbum, genreAlbum };

// The browse lists: command, sort order and item code, whether repeats are
// skipped, and the two selections inside (play, enqueue) and what they pick.
struct ListKind {
    int command;
    Field order;
    char itemCode;
    bool skipsRepeats;
    int playNumber, enqueueNumber;
    Pick selection;
};

constexpr ListKind listKinds[] = {
    {31, Field::artist, 'V', true, 41, 48, Pick::artist},     {30, Field::album, 'W', true, 42, 49, Pick::album},
    {32, Field::genre, 'Y', true, 40, 47, Pick::genre},       {39, Field::title, 'Z', false, 36, 52, Pick::titleIndex},
    {34, Field::album, 'W', true, 45, 50, Pick::artistAlbum}, {35, Field::album, 'W', true, 46, 47, Pick::genreAlbum},
    {38, Field::title, 'Z', false, 41, 48, Pick::artist},     {33, Field::title, 'Z', false, 42, 49, Pick::album},
    {37, Field::title, 'Z', false, 40, 47, Pick::genre},      {43, Field::title, 'Z', false, 45, 50, Pick::artistAlbum},
    {44, Field::title, 'Z', false, 46, 51, Pick::genreAlbum},
};

inline const ListKind* findListKind(int command) {
    for (const ListKind& kind : listKinds)
        if (kind.command == command) return &kind;
    return nullptr;
}

// The selections outside a list: command number, mode, what it selects.
struct TopSelection {
    int command;
    int mode;
    Pick kind;
};
constexpr TopSelection topSelections[] = {
    {36, 0, Pick::titleIndex},  {52, 1, Pick::titleIndex},  {41, 0, Pick::artist},     {48, 1, Pick::artist},
    {42, 0, Pick::album},       {49, 1, Pick::album},       {40, 0, Pick::genre},      {47, 1, Pick::genre},
    {45, 0, Pick::artistAlbum}, {50, 1, Pick::artistAlbum}, {46, 0, Pick::genreAlbum}, {51, 1, Pick::genreAlbum},
};

struct Command {
    int number = 0;
    std::string argument;
    std::string line() const {
        return argument.empty() ? std::to_string(number) : std::to_string(number) + " " + argument;
    }
};

// What the phone knows of the conversation: the open list and its pages, the
// remembered artist and genre, the last browse results, the sleep timer's
// armed state, the volume the plug-in reports, and the playlist's length. The
// same commands give the same model, so the generator and the checker each
// keep one.
class PhoneModel {
public:
    explicit PhoneModel(const Library& library) : library_(library) {}

    // The effects of `command`, in order; the model moves past it.
    std::vector<Step> expect(const Command& command) {
        std::vector<Step> steps;
        if (list_.kind != nullptr && takenByList(command, steps)) return steps;
        list_.kind = nullptr;  // any other line ends the list and is carried out
        topLevel(command, steps);
        return steps;
    }

    bool listOpen() const { return list_.kind != nullptr; }
    const ListKind* listKind() const { return list_.kind; }
    const std::string& listArgument() const { return list_.argument; }
    bool nextOffered() const { return list_.kind != nullptr && list_.next < static_cast<int>(list_.records.size()); }
    bool previousOffered() const { return list_.kind != nullptr && list_.pageStarts.back() != 0; }
    int browseCount() const { return static_cast<int>(browse_.size()); }
    bool artistChosen() const { return artistChosen_; }
    bool genreChosen() const { return genreChosen_; }
    const std::string& selectedArtist() const { return selectedArtist_; }
    const std::string& selectedGenre() const { return selectedGenre_; }
    int playlistLength() const { return playlistLength_; }

private:
    struct OpenList {
        const ListKind* kind = nullptr;
        std::string argument;
        Records records;
        std::vector<int> pageStarts;  // where each page on the way here began
        int next = 0;                 // the record read next
    };

    const Library& library_;
    OpenList list_;
    Records browse_;  // held until the next browse list
    Field browseOrder_ = Field::title;
    std::string selectedArtist_, selectedGenre_;
    bool artistChosen_ = false, genreChosen_ = false;
    bool armed_ = false;
    int volume_ = startVolume;
    int playlistLength_ = 0;

    static void user(std::vector<Step>& steps, std::int32_t code, std::int32_t value) {
        steps.push_back(Step::of(Step::user, code, value));
    }
    static void button(std::vector<Step>& steps, std::int32_t id) { steps.push_back(Step::of(Step::command, id)); }
    static void reply(std::vector<Step>& steps, const std::string& text) {
        steps.push_back(Step::of(Step::reply, 0, 0, text));
    }

    // A page from record `start`: at most 50 items (a skipping list sends an
    // item per change of value, comparing with the record before), then the
    // Next line with the records that remain, at most 50. A page is the same
    // whichever way the phone came to it.
    void sendPage(int start, std::vector<Step>& steps) {
        const int count = static_cast<int>(list_.records.size());
        const Field order = list_.kind->order;
        std::string last = start > 0 ? fieldOf(*list_.records[start - 1], order) : "";
        int items = 0, p = start;
        while (items < 50 && p < count) {
            const std::string& value = fieldOf(*list_.records[p], order);
            if (!list_.kind->skipsRepeats || value != last) {
                reply(steps, std::string("P") + list_.kind->itemCode + value);
                last = value;
                ++items;
            }
            ++p;
        }
        list_.next = p;
        if (count - p > 0) reply(steps, "PSNext " + std::to_string(std::min(count - p, 50)));
    }

    bool takenByList(const Command& command, std::vector<Step>& steps) {
        const ListKind& kind = *list_.kind;
        if (command.number == kind.playNumber || command.number == kind.enqueueNumber) {
            select(kind.selection, command.number == kind.enqueueNumber ? 1 : 0, command.argument, steps);
            return true;
        }
        // A page turn that no Next or Previous line offered is taken and changes nothing.
        if (command.number == 53) {
            if (nextOffered()) {
                list_.pageStarts.push_back(list_.next);
                reply(steps, "PT" + std::to_string(list_.next));
                reply(steps, "PUPrevious 50");
                sendPage(list_.next, steps);
            }
            return true;
        }
        // Back to exactly the page before the one on screen, also from a short
        // last page and in a skipping list, where its start is no multiple of 50.
        if (command.number == 54) {
            if (previousOffered()) {
                list_.pageStarts.pop_back();
                const int start = list_.pageStarts.back();
                reply(steps, "PT" + std::to_string(start));
                if (start != 0) reply(steps, "PUPrevious 50");
                sendPage(start, steps);
            }
            return true;
        }
        return false;
    }

    std::string quoted(const std::string& text) { return "\"" + text + "\""; }

    void openList(const ListKind& kind, const std::string& argument, std::vector<Step>& steps) {
        std::string query;
        Records records;
        const Field order = kind.order;
        switch (kind.command) {
            case 31:
                query = "artist != \"\" & !artist isempty";
                records = library_.find({}, order);
                break;
            case 30:
                query = "album != \"\" & !album isempty";
                records = library_.find({}, order);
                break;
            case 32:
                query = "genre != \"\" & !genre isempty";
                records = library_.find({}, order);
                break;
            case 39:
                query = "title != \"\" & !title isempty";
                records = library_.find({}, order);
                break;
            case 34:
                query = "artist == " + quoted(argument) + " & album != \"\" & !album isempty";
                records = library_.find({{Field::artist, argument}}, order);
                selectedArtist_ = argument;
                artistChosen_ = true;
                break;
            case 35:
                query = "genre == " + quoted(argument) + " & album != \"\" & !album isempty";
                records = library_.find({{Field::genre, argument}}, order);
                selectedGenre_ = argument;
                genreChosen_ = true;
                break;
            case 38:
                query = "artist == " + quoted(argument);
                records = library_.find({{Field::artist, argument}}, order);
                break;
            case 33:
                query = "album == " + quoted(argument);
                records = library_.find({{Field::album, argument}}, order);
                break;
            case 37:
                query = "genre == " + quoted(argument);
                records = library_.find({{Field::genre, argument}}, order);
                break;
            case 43:
                query = "artist == " + quoted(selectedArtist_) + " & album == " + quoted(argument);
                records = library_.find({{Field::artist, selectedArtist_}, {Field::album, argument}}, order);
                break;
            case 44:
                query = "genre == " + quoted(selectedGenre_) + " & album == " + quoted(argument);
                records = library_.find({{Field::genre, selectedGenre_}, {Field::album, argument}}, order);
                break;
        }
        steps.push_back(Step::of(Step::release));
        steps.push_back(Step::of(Step::run, 0, 0, query));
        reply(steps, "PA");
        if (kind.command == 34 || kind.command == 35) reply(steps, "PZAll Tracks");
        browse_ = records;
        browseOrder_ = order;
        if (records.empty()) return;  // the header alone: no page, no wait
        list_.kind = &kind;
        list_.argument = argument;
        list_.records = std::move(records);
        list_.pageStarts = {0};
        sendPage(0, steps);
    }

    void select(Pick kind, int mode, const std::string& argument, std::vector<Step>& steps) {
        if (kind == Pick::titleIndex) {
            const int index = std::atoi(argument.c_str());
            if (index < 0 || index >= static_cast<int>(browse_.size())) return;
            // Records of equal sort value may lie in either order: any of them
            // may be the one at this index.
            const Field order = browseOrder_;
            Step add = Step::of(Step::addFile);
            for (const Entry* record : browse_)
                if (fieldOf(*record, order) == fieldOf(*browse_[static_cast<std::size_t>(index)], order))
                    add.records.push_back(record);
            if (mode == 1) {
                steps.push_back(add);
                ++playlistLength_;
            } else {
                user(steps, 101, 0);
                steps.push_back(add);
                user(steps, 102, 0);
                playlistLength_ = 1;
            }
            return;
        }
        std::string query;
        Records records;
        switch (kind) {
            case Pick::artist:
                query = "artist == " + quoted(argument);
                records = library_.find({{Field::artist, argument}}, Field::title);
                break;
            case Pick::album:
                query = "album == " + quoted(argument);
                records = library_.find({{Field::album, argument}}, Field::title);
                break;
            case Pick::genre:
                query = "genre == " + quoted(argument);
                records = library_.find({{Field::genre, argument}}, Field::title);
                break;
            case Pick::artistAlbum:
                query = "artist == " + quoted(selectedArtist_) + " & album == " + quoted(argument);
                records = library_.find({{Field::artist, selectedArtist_}, {Field::album, argument}}, Field::title);
                break;
            case Pick::genreAlbum:
                query = "genre == " + quoted(selectedGenre_) + " & album == " + quoted(argument);
                records = library_.find({{Field::genre, selectedGenre_}, {Field::album, argument}}, Field::title);
                break;
            case Pick::titleIndex:
                return;
        }
        steps.push_back(Step::of(Step::release));
        steps.push_back(Step::of(Step::run, 0, 0, query));
        if (records.empty()) return;
        playlistLength_ = (mode == 1 ? playlistLength_ : 0) + static_cast<int>(records.size());
        steps.push_back(Step::of(Step::play, mode, 0, "", std::move(records)));
    }

    void topLevel(const Command& command, std::vector<Step>& steps) {
        const int n = std::atoi(command.argument.c_str());
        if (const ListKind* kind = findListKind(command.number)) {
            openList(*kind, command.argument, steps);
            return;
        }
        for (const TopSelection& selection : topSelections) {
            if (selection.command == command.number) {
                select(selection.kind, selection.mode, command.argument, steps);
                return;
            }
        }
        switch (command.number) {
            case 6:
                steps.push_back(Step::of(Step::equalizerReport));
                break;
            case 8:
                user(steps, 121, n);
                button(steps, 40045);
                break;
            case 9: {
                const std::string& a = command.argument;
                user(steps, 127, a[0] - '0');
                user(steps, 128, 63 - std::atoi(a.substr(2, 2).c_str()));
                break;
            }
            case 11:
                user(steps, 122, n);
                volume_ = n;
                reply(steps, "Q" + std::to_string(n));
                break;
            case 12:
                button(steps, 40044);
                break;
            case 13:
                button(steps, 40048);
                break;
            case 14:
                button(steps, 40045);
                break;
            case 15:
                button(steps, 40046);
                break;
            case 16:
                button(steps, 40061);
                break;
            case 17:
                button(steps, 40060);
                break;
            case 18:
                reply(steps, "Q" + std::to_string(volume_));
                steps.push_back(Step::of(Step::nowPlaying));
                break;
            case 21:
                steps.push_back(Step::of(Step::pushOff));
                break;
            case 22:
                user(steps, 101, 0);
                playlistLength_ = 0;
                break;
            case 24:
                button(steps, 40058);
                break;
            case 25:
                button(steps, 40059);
                break;
            case 27:
                steps.push_back(Step::of(Step::version));
                break;
            case 28: {
                const bool minutes = std::atoi(sleepField(command.argument, 2).c_str()) == 0;
                reply(steps, "bEnabled!");
                if (!minutes) reply(steps, "bEnabled!");
                armed_ = true;
                break;
            }
            case 29:
                armed_ = false;
                reply(steps, "bDisabled!");
                break;
            case 59:
                reply(steps, armed_ ? "bEnabled!" : "bDisbled!");
                break;
            case 57:
                user(steps, 106, n);
                break;
            case 58:
                for (int band = 0; band < 10; ++band) {
                    user(steps, 127, band);
                    user(steps, 128, 63 - expected::equalizerPresets[n][band]);
                }
                break;
            case 61:
                steps.push_back(Step::of(Step::toggle, 250, 252));
                break;
            case 62:
                steps.push_back(Step::of(Step::toggle, 251, 253));
                break;
            default:  // 53 and 54 outside a list: nothing
                break;
        }
    }

    static std::string sleepField(const std::string& argument, int index) {
        std::size_t start = 0;
        for (int i = 0; i < index; ++i) start = argument.find(':', start) + 1;
        return argument.substr(start, argument.find(':', start) - start);
    }
};

// ---- the random commands ------------------------------------------------------------

class Generator {
public:
    Generator(const Library& library, std::uint64_t seed) : library_(library), model_(library), random_(seed) {}

    Command next() {
        Command command = choose();
        model_.expect(command);
        return command;
    }

    // The command that ends a batch: its reply says the batch is done.
    Command version() {
        Command command{27, ""};
        model_.expect(command);
        return command;
    }
    Command take(const Command& command) {
        model_.expect(command);
        return command;
    }

private:
    const Library& library_;
    PhoneModel model_;
    Random random_;

    std::string artistOrNobody() { return random_.chance(8) ? "Nobody Known" : random_.pick(library_.artists); }
    std::string albumOrNone() { return random_.chance(8) ? "No Such Album" : random_.pick(library_.albums); }
    std::string genreOrNone() { return random_.chance(8) ? "No Such Genre" : random_.pick(library_.genres); }
    std::string albumOf(const std::map<std::string, std::vector<std::string>>& albums, const std::string& name) {
        auto found = albums.find(name);
        if (found == albums.end() || random_.chance(10)) return albumOrNone();
        return random_.pick(found->second);
    }
    std::string artistAlbum() { return albumOf(library_.albumsOfArtist, model_.selectedArtist()); }
    std::string genreAlbum() { return albumOf(library_.albumsOfGenre, model_.selectedGenre()); }

    std::string index() {
        const int count = model_.browseCount();
        if (count == 0 || random_.chance(5))
            return std::to_string(random_.pick(std::vector<int>{-1, count, count + 7}));
        return std::to_string(random_.below(count));
    }

    std::string argumentFor(Pick kind) {
        switch (kind) {
            case Pick::titleIndex:
                return index();
            case Pick::artist:
                return artistOrNobody();
            case Pick::album:
                return albumOrNone();
            case Pick::genre:
                return genreOrNone();
            case Pick::artistAlbum:
                return artistAlbum();
            case Pick::genreAlbum:
                return genreAlbum();
        }
        return "";
    }

    // A selection inside the open list, about what the list shows.
    Command listSelection() {
        const ListKind& kind = *model_.listKind();
        const int number = random_.chance(50) ? kind.playNumber : kind.enqueueNumber;
        std::string argument = argumentFor(kind.selection);
        // The titles of an artist, album or genre: mostly that one.
        if ((kind.command == 38 || kind.command == 33 || kind.command == 37) && random_.chance(80))
            argument = model_.listArgument();
        return {number, argument};
    }

    Command sleepTimer() {
        // Never a power-off, never a stop or a fade while the run lasts: the
        // action is stop or nothing, minutes are counted from far away, tracks
        // are never reported started by this host, and the fade interval is
        // never positive.
        const int mode = random_.pick(std::vector<int>{0, 1, 2});
        const int action = random_.pick(std::vector<int>{1, 2, -1});
        const int count =
            random_.chance(25) ? 0 : (mode == 0 ? random_.between(100000, 999999) : random_.between(1, 500));
        const char* factor = random_.pick(std::vector<const char*>{"0.5", "1", "0.9", "0.75"});
        const int interval = random_.pick(std::vector<int>{0, -1, -5});
        return {28, std::to_string(action) + ":" + std::to_string(count) + ":" + std::to_string(mode) + ":" + factor +
                        ":" + std::to_string(interval)};
    }

    std::string numberWithEdges(int low, int high) {
        if (random_.chance(15)) return random_.chance(50) ? "0" : "2";
        return std::to_string(random_.between(low, high));
    }

    Command anyCommand() {
        // The playlist stays short enough that the host's memory does not follow the run's length.
        if (model_.playlistLength() > playlistCap) return {22, ""};
        struct Weighted {
            int weight;
            int number;
        };
        static const std::vector<Weighted> weights = {
            {2, 12}, {2, 13}, {3, 14}, {2, 15}, {2, 16}, {2, 17}, {3, 8},  {3, 11}, {1, 24}, {1, 25}, {2, 57}, {2, 22},
            {1, 61}, {1, 62}, {2, 6},  {2, 9},  {2, 58}, {2, 18}, {2, 21}, {2, 27}, {1, 28}, {1, 29}, {1, 59}, {2, 30},
            {2, 31}, {1, 32}, {3, 39}, {2, 33}, {2, 34}, {2, 35}, {2, 37}, {2, 38}, {2, 43}, {2, 44}, {2, 36}, {2, 52},
            {1, 40}, {1, 41}, {1, 42}, {1, 45}, {1, 46}, {1, 47}, {1, 48}, {1, 49}, {1, 50}, {1, 51}, {1, 53}, {1, 54},
        };
        static const int total = [] {
            int sum = 0;
            for (const Weighted& w : weights) sum += w.weight;
            return sum;
        }();
        for (;;) {
            int roll = random_.below(total);
            int number = 0;
            for (const Weighted& w : weights) {
                if (roll < w.weight) {
                    number = w.number;
                    break;
                }
                roll -= w.weight;
            }
            // The albums of the remembered artist or genre only once there is one.
            if ((number == 43 || number == 45 || number == 50) && !model_.artistChosen()) continue;
            if ((number == 44 || number == 46 || number == 51) && !model_.genreChosen()) continue;
            switch (number) {
                case 8:
                    return {8, std::to_string(random_.below(model_.playlistLength() + 3))};
                case 11:
                    return {11, numberWithEdges(1, 255)};
                case 57:
                    return {57, numberWithEdges(0, 400000)};
                case 9: {
                    // Band digit, a separator, two digits of a value from 00 to 63.
                    char text[8];
                    std::snprintf(text, sizeof text, "%d:%02d", random_.below(10), random_.below(64));
                    return {9, text};
                }
                case 58:
                    return {58, std::to_string(random_.below(17))};
                case 28:
                    return sleepTimer();
                case 33:
                    return {33, albumOrNone()};
                case 34:
                case 38:
                    return {number, artistOrNobody()};
                case 35:
                case 37:
                    return {number, genreOrNone()};
                case 43:
                    return {43, artistAlbum()};
                case 44:
                    return {44, genreAlbum()};
                default:
                    break;
            }
            for (const TopSelection& selection : topSelections)
                if (selection.command == number) return {number, argumentFor(selection.kind)};
            return {number, ""};
        }
    }

    Command choose() {
        if (!model_.listOpen()) return anyCommand();
        const int roll = random_.below(100);
        if (roll < 35) return model_.nextOffered() || random_.chance(5) ? Command{53, ""} : anyCommand();
        if (roll < 50) return model_.previousOffered() || random_.chance(5) ? Command{54, ""} : anyCommand();
        if (roll < 68) return listSelection();
        return anyCommand();
    }
};

}  // namespace soak
