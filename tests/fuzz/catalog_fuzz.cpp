// libFuzzer target: any bytes as the media library's playlist catalog, fed to
// the scanner in pieces the input chooses. Checks: the pieces never change the
// names found; every name fits a path and holds no NUL; there is never more
// than one name per "filename" in the bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/playlist_catalog.h"

namespace {

std::vector<std::string> scan(const std::uint8_t* data, std::size_t size, std::size_t piece) {
    TextList names;
    CatalogScanner scanner(names);
    for (std::size_t at = 0; at < size; at += piece) {
        const std::size_t length = size - at < piece ? size - at : piece;
        scanner.feed(reinterpret_cast<const char*>(data + at), length);
    }
    scanner.finish();
    std::vector<std::string> found;
    for (std::int32_t i = 0; i < names.count(); ++i) found.emplace_back(names.text(i));
    return found;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "catalog_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    ++data;
    --size;
    const std::vector<std::string> whole = scan(data, size, size == 0 ? 1 : size);
    if (scan(data, size, piece) != whole) fail("the pieces changed the names found");
    // Zero bytes are dropped before anything else, so "filename" may be spread
    // over them: count the word in the bytes without their zeros.
    std::string text;
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] != 0) text += static_cast<char>(data[i]);
    std::size_t words = 0;
    for (std::size_t at = text.find("filename"); at != std::string::npos; at = text.find("filename", at + 1)) ++words;
    if (whole.size() > words) fail("more names than filename attributes");
    for (const std::string& name : whole) {
        if (name.size() >= 260) fail("a name that does not fit a path");
        if (name.find('\0') != std::string::npos) fail("a name with a NUL");
    }
    return 0;
}
