// The order of library records: by one field, byte by byte as unsigned values,
// case-sensitive, a null text as the empty text; each record moved whole.

#include "library/record_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Records over texts the test owns; fileName holds the record's first place,
// so each record can be followed.
struct Library {
    std::vector<std::string> texts;
    std::vector<host::LibraryRecord> records;

    Library(const std::vector<const char*>& values, LibraryField field) {
        texts.reserve(2 * values.size());
        records.resize(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            texts.push_back(std::to_string(i));
            records[i].fileName = texts.back().data();
            char* value = nullptr;
            if (values[i] != nullptr) {
                texts.push_back(values[i]);
                value = texts.back().data();
            }
            switch (field) {
                case LibraryField::artist:
                    records[i].artist = value;
                    break;
                case LibraryField::album:
                    records[i].album = value;
                    break;
                case LibraryField::genre:
                    records[i].genre = value;
                    break;
                case LibraryField::title:
                    records[i].title = value;
                    break;
            }
            records[i].extraNumbers[0] = static_cast<std::int32_t>(i);
        }
    }

    void sort(LibraryField field) {
        host::LibraryRecordList list{records.data(), static_cast<std::int32_t>(records.size()), 0};
        sortLibraryRecords(list, field);
    }

    // The first places of the records, in their order now.
    std::vector<int> order() const {
        std::vector<int> places;
        for (const host::LibraryRecord& record : records) {
            EXPECT_EQ(std::to_string(record.extraNumbers[0]), record.fileName) << "a record was torn apart";
            places.push_back(record.extraNumbers[0]);
        }
        return places;
    }
};

// The order itself, written out here: unsigned bytes, a null as "".
bool sortsBefore(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
    while (*x != 0 && *x == *y) {
        ++x;
        ++y;
    }
    return *x < *y;
}

// Where the records of `values` belong: ties keep the host's order.
std::vector<int> expectedOrder(const std::vector<const char*>& values) {
    std::vector<int> places(values.size());
    for (std::size_t i = 0; i < places.size(); ++i) places[i] = static_cast<int>(i);
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) {
        return sortsBefore(values[static_cast<std::size_t>(a)], values[static_cast<std::size_t>(b)]);
    });
    return places;
}

TEST(RecordSort, OrdersBytesUnsignedUpperCaseFirstAndNullsAsEmpty) {
    const std::vector<const char*> values = {"b",   "B",  nullptr, "",       "a",     "\xc3\xa9t\xc3\xa9",
                                             "Zed", "ab", "abc",   "~tilde", nullptr, "a"};
    Library library(values, LibraryField::artist);
    library.sort(LibraryField::artist);
    // "" and the nulls first in the host's order, then B, Zed, a, a, ab, abc,
    // b, ~tilde, and the bytes from 128 on after all of ASCII.
    EXPECT_EQ(library.order(), (std::vector<int>{2, 3, 10, 1, 6, 4, 11, 7, 8, 0, 9, 5}));
}

TEST(RecordSort, SortsByTheFieldItIsAskedFor) {
    for (LibraryField field : {LibraryField::artist, LibraryField::album, LibraryField::genre, LibraryField::title}) {
        const std::vector<const char*> values = {"m", "c", "x", "a"};
        Library library(values, field);
        library.sort(field);
        EXPECT_EQ(library.order(), (std::vector<int>{3, 1, 0, 2}));
        // Sorting by a field that every record lacks keeps the host's order.
        LibraryField other = field == LibraryField::title ? LibraryField::artist : LibraryField::title;
        library.sort(other);
        EXPECT_EQ(library.order(), (std::vector<int>{3, 1, 0, 2}));
    }
}

TEST(RecordSort, LongSharedBeginningsAreComparedToTheirEnd) {
    // Texts that agree on 8, 16, 24 and more bytes, one the beginning of
    // another, and the same text many times over.
    std::vector<std::string> made;
    const std::string stem = "The Very Long Name Of A Band Number ";
    for (int i = 0; i < 200; ++i) made.push_back(stem + std::to_string((i * 37) % 100));
    for (int i = 0; i < 60; ++i) made.push_back(stem.substr(0, static_cast<std::size_t>(i % 40)));
    for (int i = 0; i < 80; ++i) made.push_back(std::string(70, 'x') + static_cast<char>('a' + i % 3));
    std::vector<const char*> values;
    for (const std::string& text : made) values.push_back(text.c_str());
    Library library(values, LibraryField::title);
    library.sort(LibraryField::title);
    EXPECT_EQ(library.order(), expectedOrder(values));
}

TEST(RecordSort, AgreesWithTheOrderOnManyRandomTextsOfEverySize) {
    // Few distinct bytes make long equal runs and shared beginnings.
    const char alphabet[] = {'a', 'b', 'B', ' ', '\x7f', '\x80', '\xff'};
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int size : {0, 1, 2, 3, 31, 32, 33, 64, 1000, 20000}) {
        std::vector<std::string> made;
        std::vector<bool> isNull;
        for (int i = 0; i < size; ++i) {
            std::string text;
            const std::uint32_t length = next() % 24;
            for (std::uint32_t j = 0; j < length; ++j) text += alphabet[next() % sizeof alphabet];
            made.push_back(text);
            isNull.push_back(next() % 17 == 0);
        }
        std::vector<const char*> values;
        for (std::size_t i = 0; i < made.size(); ++i) values.push_back(isNull[i] ? nullptr : made[i].c_str());
        Library library(values, LibraryField::genre);
        library.sort(LibraryField::genre);
        EXPECT_EQ(library.order(), expectedOrder(values)) << size << " records";
    }
}

}  // namespace
