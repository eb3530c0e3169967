// A long run under Wine: the real plug-in DLL in the test host, a generated
// media library, and a stream of random valid commands from the phone
// (transport, volume, seeking, the playlist, shuffle and repeat, the
// equalizer, status, the sleep timer, the library lists with their paging and
// selections, and library playback). Every command's effect is checked in
// order: the requests the host received (its request log, fetched in batches)
// and every reply line. The test host's memory after the first thousand
// commands and at the end must stay within a margin of each other.
//
//   quillon_soak [--commands N] [--seed S] [--batch B]
//
// Commands go out a batch at a time, all at once, each batch ending with a
// version request (27) whose reply marks the batch as done; then the request
// log is fetched and the batch is checked. A failure names the command's
// index, its line and the difference, and the seed repeats the run.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/host_interface.h"
#include "hostsim/library_generator.h"
#include "hostsim/library_source.h"
#include "hostsim/reference_host.h"
#include "tests/e2e/wine_world.h"
#include "tests/equalizer_presets.h"

namespace {

using Clock = std::chrono::steady_clock;
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

struct Options {
    long commands = 100000;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    int batch = 250;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        char* end = nullptr;
        if (option == "--commands") {
            options.commands = std::strtol(value, &end, 10);
        } else if (option == "--seed") {
            options.seed = std::strtoull(value, &end, 10);
            options.seedGiven = true;
        } else if (option == "--batch") {
            options.batch = static_cast<int>(std::strtol(value, &end, 10));
        } else {
            return false;
        }
        if (end == value || *end != '\0') return false;
    }
    return options.commands >= 2 && options.batch >= 2;
}

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

const std::string& fieldOf(const Entry& entry, Field field) {
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

const ListKind* findListKind(int command) {
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

// ---- checking what happened ------------------------------------------------------------

struct Tally {
    long commands = 0;
    long requests = 0;
    long replies = 0;
    long listPages = 0;
    long nowPlayingLines = 0;
    long titlelessRounds = 0;
    long plays = 0;
};

// Walks the commands in order against the host's request log and the reply
// lines, both read as they come. A shadow of the host (the same player model
// the test host runs) receives the requests the checker expects, so that the
// answers the plug-in builds on (a setting to toggle, the bands, the title and
// the rest of the now-playing line) are known.
class Checker {
public:
    explicit Checker(const Library& library) : library_(library), model_(library) {}

    std::deque<std::string> log;
    std::deque<std::string> replies;
    Tally tally;

    // Checks one command's effects; empty when they are as expected, else
    // what differs. The conversation loop's status push after the command
    // is checked separately, by passEnd().
    std::string check(const Command& command) {
        ++tally.commands;
        const bool topLevel = !model_.listOpen();
        // Between two turns of the conversation loop, a loop that found no
        // title repeats its queries as often as it turns.
        if (topLevel) {
            std::string failure = titlelessRounds();
            if (!failure.empty()) return failure;
        }
        shadow_.clearLog();
        for (const Step& step : model_.expect(command)) {
            std::string failure = perform(step);
            if (!failure.empty()) return failure;
        }
        return "";
    }

    bool passEndsHere() const { return !model_.listOpen(); }

    // The end of a turn of the conversation loop: the now-playing line when
    // the push is on and something raised the flag, then an owed volume line.
    std::string passEnd() {
        if (statusPush_ && playStateChanged_) {
            std::string failure = nowPlaying();
            if (!failure.empty()) return failure;
        }
        if (volumeChanged_) {
            std::string failure = expectReply("Q" + std::to_string(volume_));
            volumeChanged_ = false;
            if (!failure.empty()) return failure;
        }
        return "";
    }

    // Whatever is left unchecked.
    std::string leftOver() const {
        std::string text;
        for (const std::string& entry : log) text += "\n  request " + entry.substr(0, 160);
        for (const std::string& line : replies) text += "\n  reply " + line.substr(0, 160);
        return text;
    }

private:
    const Library& library_;
    PhoneModel model_;
    hostsim::ReferenceHost shadow_;
    bool statusPush_ = false;
    bool playStateChanged_ = false;  // unknown at start; the first push makes it known
    bool volumeChanged_ = false;
    int volume_ = startVolume;

    static std::string shorten(const std::string& text) {
        return text.size() > 300 ? text.substr(0, 300) + "... (" + std::to_string(text.size()) + " bytes)" : text;
    }

    std::string takeRequest(std::string& entry) {
        if (log.empty()) return "no further request in the host's log";
        entry = log.front();
        log.pop_front();
        ++tally.requests;
        return "";
    }

    std::string expectRequest(const std::string& expected) {
        std::string actual;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected request `" + shorten(expected) + "`, but " + missing;
        if (actual != expected)
            return "expected request `" + shorten(expected) + "`, the host got `" + shorten(actual) + "`";
        return "";
    }

    std::string expectReply(const std::string& expected) {
        if (replies.empty()) return "expected reply `" + shorten(expected) + "`, but no further reply line came";
        std::string actual = replies.front();
        replies.pop_front();
        ++tally.replies;
        if (actual != expected)
            return "expected reply `" + shorten(expected) + "`, the phone got `" + shorten(actual) + "`";
        return "";
    }

    // A WM_USER request to the main window: expected in the log, passed
    // through the plug-in's hook, answered by the shadow.
    std::string userRequest(std::int32_t code, std::int32_t value, platform::LResult& answer) {
        std::string failure = expectRequest("user " + std::to_string(code) + " " + std::to_string(value));
        hook(code, value);
        answer = shadow_.mainWindowMessage(platform::messageUser,
                                           static_cast<platform::WParam>(static_cast<std::intptr_t>(value)), code);
        return failure;
    }

    // What the plug-in's hook on the host window makes of a WM_USER request.
    void hook(std::int32_t code, std::int32_t value) {
        if (code == 122 && value > 0) {
            volume_ = value;
            volumeChanged_ = true;
        }
        if (value == 0 || value == 2) playStateChanged_ = true;
    }

    std::string perform(const Step& step) {
        platform::LResult answer = 0;
        switch (step.kind) {
            case Step::user: {
                std::string failure = userRequest(step.a, step.b, answer);
                if (step.a == 122) volume_ = step.b;  // stored whether the hook took it or not
                return failure;
            }
            case Step::command: {
                shadow_.mainWindowMessage(platform::messageCommand, static_cast<platform::WParam>(step.a), 0);
                return expectRequest("command " + std::to_string(step.a));
            }
            case Step::addFile:
                return addFile(step.records);
            case Step::release:
                return expectRequest("library release");
            case Step::run:
                return expectRequest("library run " + step.text);
            case Step::play:
                return play(step.a, step.records);
            case Step::reply: {
                if (step.text[0] == 'P' && (step.text == "PA" || step.text.rfind("PT", 0) == 0)) ++tally.listPages;
                std::string failure = expectReply(step.text);
                if (step.text[0] == 'Q') volumeChanged_ = false;
                return failure;
            }
            case Step::equalizerReport: {
                std::string line = "I";
                for (int band = 0; band < 10; ++band) {
                    std::string failure = userRequest(127, band, answer);
                    if (!failure.empty()) return failure;
                    line += std::to_string(63 - static_cast<std::int32_t>(answer)) + ":";
                }
                return expectReply(line);
            }
            case Step::toggle: {
                std::string failure = userRequest(step.a, 0, answer);
                if (!failure.empty()) return failure;
                return userRequest(step.b, static_cast<std::int32_t>(answer) == 1 ? 0 : 1, answer);
            }
            case Step::nowPlaying: {
                std::string failure = nowPlaying();
                statusPush_ = true;
                return failure;
            }
            case Step::pushOff:
                statusPush_ = false;
                return "";
            case Step::version: {
                std::string failure = userRequest(0, 0, answer);
                if (!failure.empty()) return failure;
                return expectReply("KWinamp " + std::to_string(static_cast<std::int32_t>(answer)) + " running!");
            }
        }
        return "";
    }

    // The file of one of `candidates` added to the playlist.
    std::string addFile(const Records& candidates) {
        std::string actual;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected the file of " + candidates[0]->title + " added, but " + missing;
        const std::string prefix = "user 100 file=";
        const Entry* added = nullptr;
        if (actual.rfind(prefix, 0) == 0) {
            auto found = library_.byFile.find(actual.substr(prefix.size()));
            if (found != library_.byFile.end() &&
                std::find(candidates.begin(), candidates.end(), found->second) != candidates.end())
                added = found->second;
        }
        if (added == nullptr)
            return "expected `" + prefix + shorten(candidates[0]->fileName) +
                   "` (or a record equal to it in the list's order), the host got `" + shorten(actual) + "`";
        host::AddFileRecord record{added->fileName.c_str(), nullptr, 0};
        shadow_.mainWindowMessage(platform::messageUser, reinterpret_cast<platform::WParam>(&record),
                                  host::requestAddFile);
        return "";
    }

    // The records handed to the host in title order; records of equal title
    // may come in any order among themselves.
    std::string play(int enqueue, const Records& expected) {
        ++tally.plays;
        std::string actual;
        const std::string prefix = "library play enqueue=" + std::to_string(enqueue) + " ";
        std::string wanted = prefix;
        for (std::size_t i = 0; i < expected.size(); ++i) wanted += (i > 0 ? "|" : "") + expected[i]->fileName;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected request `" + shorten(wanted) + "`, but " + missing;
        Records handed;
        bool readable = actual.rfind(prefix, 0) == 0;
        for (std::size_t start = prefix.size(); readable && start <= actual.size();) {
            std::size_t bar = actual.find('|', start);
            auto found =
                library_.byFile.find(actual.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (found == library_.byFile.end()) {
                readable = false;
                break;
            }
            handed.push_back(found->second);
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        bool same = readable && handed.size() == expected.size();
        for (std::size_t i = 0; same && i < handed.size(); ++i) same = handed[i]->title == expected[i]->title;
        if (same) {
            Records a = handed, b = expected;
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            same = a == b;
        }
        if (!same) return "expected request `" + shorten(wanted) + "`, the host got `" + shorten(actual) + "`";

        std::vector<host::LibraryRecord> records(handed.size());
        for (std::size_t i = 0; i < handed.size(); ++i) {
            records[i].fileName = const_cast<char*>(handed[i]->fileName.c_str());
            records[i].title = const_cast<char*>(handed[i]->title.c_str());
        }
        host::LibraryRecordList list{records.data(), static_cast<std::int32_t>(records.size()),
                                     static_cast<std::int32_t>(records.size())};
        host::LibraryPlayRequest request{0, &list, enqueue};
        shadow_.libraryWindowMessage(host::libraryMessage, reinterpret_cast<platform::WParam>(&request),
                                     host::libraryPlayRecords);
        return "";
    }

    // The nine queries of the now-playing line, in their order, then the line
    // itself when the host named a title. False in `titled` when it did not.
    std::string nowPlayingQueries(bool& titled, std::string& line) {
        platform::LResult position = 0, title = 0, rate = 0, ms = 0, seconds = 0, state = 0, channels = 0, shuffle = 0,
                          repeat = 0;
        std::string failure;
        if (failure.empty()) failure = userRequest(125, 0, position);
        if (failure.empty()) failure = userRequest(212, static_cast<std::int32_t>(position), title);
        if (failure.empty()) failure = userRequest(126, 0, rate);
        if (failure.empty()) failure = userRequest(105, 0, ms);
        if (failure.empty()) failure = userRequest(105, 1, seconds);
        if (failure.empty()) failure = userRequest(104, 0, state);
        if (failure.empty()) failure = userRequest(126, 2, channels);
        if (failure.empty()) failure = userRequest(250, 0, shuffle);
        if (failure.empty()) failure = userRequest(251, 0, repeat);
        if (!failure.empty()) return failure;
        titled = title != 0;
        if (!titled) return "";
        std::string text = reinterpret_cast<const char*>(title);
        std::replace(text.begin(), text.end(), ':', ';');
        auto n = [](platform::LResult value) { return std::to_string(static_cast<std::int32_t>(value)); };
        line = "J" + n(state) + ":" + text + ":" + n(rate) + ":" + n(channels) + ":" +
               std::to_string(static_cast<std::int32_t>(seconds) * 1000) + ":" + n(ms) + ":" + n(shuffle) + ":" +
               n(repeat) + ":";
        return "";
    }

    // Whether the host names a title for its current entry now.
    bool hostHasTitle() {
        const platform::LResult position = shadow_.mainWindowMessage(platform::messageUser, 0, 125);
        return shadow_.mainWindowMessage(platform::messageUser, static_cast<platform::WParam>(position), 212) != 0;
    }

    // The now-playing line: one round of its queries and the line when the
    // host has a title. Without one no line goes out, the flag stays raised,
    // and every turn of the loop asks again: those rounds are taken before
    // the next command, however many the loop made.
    std::string nowPlaying() {
        if (!hostHasTitle()) return "";
        bool titled = false;
        std::string line;
        std::string failure = nowPlayingQueries(titled, line);
        if (!failure.empty()) return "now-playing line: " + failure;
        ++tally.nowPlayingLines;
        failure = expectReply(line);
        playStateChanged_ = false;
        return failure;
    }

    // The rounds of the now-playing queries the loop made, finding no
    // title, since the last command: any number of them.
    std::string titlelessRounds() {
        if (!(statusPush_ && playStateChanged_)) return "";
        const std::string queries[] = {"user 125 0", "user 212 ",  "user 126 0", "user 105 0", "user 105 1",
                                       "user 104 0", "user 126 2", "user 250 0", "user 251 0"};
        for (;;) {
            bool whole = log.size() >= 9;
            for (std::size_t i = 0; whole && i < 9; ++i) whole = log[i].rfind(queries[i], 0) == 0;
            if (!whole) return "";
            bool titled = false;
            std::string line;
            std::string failure = nowPlayingQueries(titled, line);
            if (!failure.empty()) return "repeated now-playing queries: " + failure;
            if (titled) return "the now-playing queries were repeated although the host has a title (" + line + ")";
            ++tally.titlelessRounds;
        }
    }
};

// ---- the test host's memory -----------------------------------------------------------------

// The resident memory of the Wine process that runs quillon-testhost.exe, in
// kB: the started process itself, or a process of its group.
long testHostMemoryKb(pid_t group) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        if (getpgid(pid) != group) continue;
        std::string commandLine = e2e::readTextFile(entry.path().string() + "/cmdline");
        if (commandLine.find("quillon-testhost.exe") == std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// ---- the line to the plug-in -------------------------------------------------------------------

// Writes a batch of command lines while reading the replies, so that neither
// side waits on a full line, until `versions` version lines have come.
bool exchange(int phone, const std::string& lines, int versions, std::string& pending, std::deque<std::string>& replies,
              int quietLimitMs) {
    std::size_t written = 0;
    int seen = 0;
    Clock::time_point lastProgress = Clock::now();
    while (seen < versions) {
        pollfd wait{phone, static_cast<short>(POLLIN | (written < lines.size() ? POLLOUT : 0)), 0};
        int ready = poll(&wait, 1, 200);
        if (ready > 0 && (wait.revents & POLLOUT) != 0 && written < lines.size()) {
            ssize_t count = write(phone, lines.data() + written, lines.size() - written);
            if (count > 0) {
                written += static_cast<std::size_t>(count);
                lastProgress = Clock::now();
            }
        }
        if (ready > 0 && (wait.revents & POLLIN) != 0) {
            char bytes[65536];
            ssize_t count = read(phone, bytes, sizeof bytes);
            if (count > 0) {
                pending.append(bytes, static_cast<std::size_t>(count));
                lastProgress = Clock::now();
                std::size_t start = 0, end;
                while ((end = pending.find('\n', start)) != std::string::npos) {
                    replies.push_back(pending.substr(start, end - start));
                    if (replies.back().rfind("K", 0) == 0) ++seen;
                    start = end + 1;
                }
                pending.erase(0, start);
            }
        }
        if (Clock::now() - lastProgress > std::chrono::milliseconds(quietLimitMs)) return false;
    }
    return true;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: quillon_soak [--commands N (at least 2)] [--seed S] [--batch B (at least 2)]\n");
        return 2;
    }
    if (!options.seedGiven)
        options.seed = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count()) % 1000000007ull;
    // Where the build put things, unless the environment says otherwise.
    setenv("QUILLON_WIN64_DIR", QUILLON_SOAK_WIN64_DIR, 0);
    setenv("QUILLON_E2E_WORK", QUILLON_SOAK_WORK_DIR, 0);
    std::string missing = e2e::missingPiece();
    if (!missing.empty()) {
        std::printf("end-to-end run skipped: %s\n", missing.c_str());
        return 0;
    }
    std::printf("soak: seed %" PRIu64 ", %ld commands in batches of %d, library %s\n", options.seed, options.commands,
                options.batch, libraryShape);
    std::fflush(stdout);

    e2e::installCleanupOnExit();
    std::string problem;
    if (!e2e::makePrefix(problem)) {
        std::printf("soak: FAILED: %s\n", problem.c_str());
        return 1;
    }
    e2e::HostRun host;
    if (!host.start(iniText, "com7", {"--generate-library", libraryShape})) {
        std::printf("soak: FAILED: the test host could not be started\n");
        return 1;
    }
    const std::string libraryLine = host.waitFor("library ", 60000);
    const std::string initLine = host.waitFor("init ", 60000);
    if (libraryLine != "library " + std::to_string(libraryRecords) + " records" || initLine != "init 0") {
        std::printf("soak: FAILED: the test host did not start the plug-in: %s | %s\n%s", libraryLine.c_str(),
                    initLine.c_str(), host.transcript().c_str());
        return 1;
    }
    for (int i = 0; i < extraRecordCount; ++i) {
        host.order(std::string("library ") + extraRecords[i]);
        const std::string added = host.waitFor("library ");
        if (added != "library ok " + std::to_string(libraryRecords + i + 1)) {
            std::printf("soak: FAILED: the test host did not take the record %s: %s\n", extraRecords[i], added.c_str());
            return 1;
        }
    }
    host.requestLog();  // what start-up asked of the host is not the run's
    const int phone = host.phoneDescriptor();
    fcntl(phone, F_SETFL, fcntl(phone, F_GETFL) | O_NONBLOCK);

    const Library library;
    Generator generator(library, options.seed);
    Checker checker(library);
    std::string pendingBytes;
    long sent = 0;
    long memoryAfterThousand = -1;
    long memoryLeast = 0, memoryMost = 0;  // after each batch from then on
    long sentAtFirstMeasure = 0;
    const Clock::time_point started = Clock::now();
    std::vector<Command> batch;
    bool passEndOwed = false;  // the last batch's last command: its turn's end comes with the next batch
    long passEndIndex = 0;
    Command passEndCommand;

    auto fail = [&](long index, const Command& command, const std::string& what) {
        std::printf("soak: FAILED at command %ld `%s` (seed %" PRIu64 "): %s\n", index, command.line().c_str(),
                    options.seed, what.c_str());
        std::printf("soak: the commands up to it:");
        const long first = std::max(sent, index - 40);
        for (long i = first; i <= index && i - sent < static_cast<long>(batch.size()); ++i)
            std::printf("\n  %ld: %s", i, batch[static_cast<std::size_t>(i - sent)].line().c_str());
        std::printf("\nsoak: not yet checked:%s\n", checker.leftOver().substr(0, 4000).c_str());
        return 1;
    };

    while (sent < options.commands) {
        long size = std::min<long>(options.batch, options.commands - sent);
        // The last batch holds at least two commands: the push off, then the version.
        if (options.commands - sent - size == 1) ++size;
        const bool last = sent + size == options.commands;
        batch.clear();
        for (long i = 0; i + 1 < size; ++i) {
            // The run ends with the push off, so that nothing follows its last reply.
            batch.push_back(last && i + 2 == size ? generator.take({21, ""}) : generator.next());
        }
        batch.push_back(generator.version());
        std::string lines;
        for (const Command& command : batch) lines += command.line() + "\n";

        const bool complete =
            exchange(phone, lines,
                     1 + static_cast<int>(std::count_if(batch.begin(), batch.end() - 1,
                                                        [](const Command& c) { return c.number == 27; })),
                     pendingBytes, checker.replies, 30000);
        for (std::string& entry : host.requestLog()) checker.log.push_back(std::move(entry));

        if (passEndOwed) {
            std::string failure = checker.passEnd();
            if (!failure.empty()) return fail(passEndIndex, passEndCommand, "after the command: " + failure);
            passEndOwed = false;
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const long index = sent + static_cast<long>(i);
            std::string failure = checker.check(batch[i]);
            if (!failure.empty()) return fail(index, batch[i], failure);
            if (!checker.passEndsHere()) continue;
            if (i + 1 == batch.size()) {
                passEndOwed = true;
                passEndIndex = index;
                passEndCommand = batch[i];
                continue;
            }
            failure = checker.passEnd();
            if (!failure.empty()) return fail(index, batch[i], "after the command: " + failure);
        }
        if (!complete) return fail(sent + size - 1, batch.back(), "the batch's last reply never came");
        host.clearTranscript();
        sent += size;

        if (sent >= 1000) {
            const long memory = testHostMemoryKb(host.processId());
            if (memoryAfterThousand < 0) {
                memoryAfterThousand = memoryLeast = memoryMost = memory;
                sentAtFirstMeasure = sent;
            }
            memoryLeast = std::min(memoryLeast, memory);
            memoryMost = std::max(memoryMost, memory);
            if (sent % 10000 < size)
                std::printf("soak: %ld commands, %.1f s, memory %ld kB\n", sent, secondsSince(started), memory);
        }
        std::fflush(stdout);
    }
    const double seconds = secondsSince(started);
    const long memoryAtEnd = testHostMemoryKb(host.processId());
    if (memoryAfterThousand < 0) {
        memoryAfterThousand = memoryLeast = memoryMost = memoryAtEnd;
        sentAtFirstMeasure = sent;
    }

    // The run ended with the push off: nothing may follow the last version line.
    std::deque<std::string>& replies = checker.replies;
    phone::LineReader rest{phone, pendingBytes};
    for (const std::string& line : phone::readLinesUntilQuiet(rest, 1500, 5000)) replies.push_back(line);
    for (std::string& entry : host.requestLog()) checker.log.push_back(std::move(entry));
    if (std::string failure = checker.passEnd(); !failure.empty())
        return fail(passEndIndex, passEndCommand, "after the command: " + failure);
    if (!checker.log.empty() || !replies.empty())
        return fail(sent - 1, batch.back(), "more came after the last command:" + checker.leftOver());

    const bool quitOk = host.quit();
    std::vector<std::string> last = host.phoneReplies(1500);

    const Tally& tally = checker.tally;
    std::printf("soak: seed %" PRIu64 "\n", options.seed);
    std::printf("soak: %ld commands in %.1f s, %.0f commands per second\n", tally.commands, seconds,
                tally.commands / seconds);
    std::printf(
        "soak: checked %ld host requests and %ld reply lines: %ld list pages, %ld library plays, "
        "%ld now-playing lines, %ld rounds of now-playing queries without a title\n",
        tally.requests, tally.replies, tally.listPages, tally.plays, tally.nowPlayingLines, tally.titlelessRounds);
    const double growth = memoryAfterThousand > 0
                              ? 100.0 * static_cast<double>(memoryAtEnd - memoryAfterThousand) / memoryAfterThousand
                              : 0.0;
    std::printf(
        "soak: test host memory (VmRSS): %ld kB after %ld commands, %ld kB at the end (%+.1f %%, limit %+.0f %%); "
        "%ld to %ld kB between batches\n",
        memoryAfterThousand, sentAtFirstMeasure, memoryAtEnd, growth, memoryMargin * 100, memoryLeast, memoryMost);
    if (!quitOk || last != std::vector<std::string>{"X"}) {
        std::printf("soak: FAILED: quit after the run: %s, the phone got %zu lines after it\n%s",
                    quitOk ? "returned" : "did not return", last.size(), host.transcript().c_str());
        return 1;
    }
    if (memoryAfterThousand <= 0 || memoryAtEnd <= 0) {
        std::printf("soak: FAILED: the test host's memory could not be read\n");
        return 1;
    }
    if (memoryAtEnd > memoryAfterThousand * (1.0 + memoryMargin)) {
        std::printf("soak: FAILED: the test host's memory grew by more than %.0f %%\n", memoryMargin * 100);
        return 1;
    }
    std::printf("soak: passed\n");
    return 0;
}
