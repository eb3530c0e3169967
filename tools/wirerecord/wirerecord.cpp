// Runs whole conversations with the plug-in over the simulated platform and
// the reference host, deterministically, and records for each input what the
// phone received and the host's request log. tools/compare-wire.sh runs it on
// two revisions and compares the records byte for byte.
//
//   quillon-wirerecord OUTDIR [--soak SEED:COUNT]... [--mutations N] INPUT...
//
// Each INPUT is a wire fuzz input (see tests/fuzz/wire_driver.h); --soak adds
// the soak's command stream of COUNT commands from SEED (batches of 250, each
// ended by 27) against the soak's library; --mutations adds N inputs made from
// the given ones by a fixed sequence of byte changes. For an input named NAME,
// OUTDIR/NAME.wire holds the received bytes and OUTDIR/NAME.host the requests,
// one a line.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/soak_generator.h"
#include "tests/fuzz/wire_driver.h"

namespace {

struct Input {
    std::string name;
    std::string bytes;
    const std::vector<hostsim::LibraryEntry>* library = nullptr;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A name for the record files: the path with its folders joined by '_'.
std::string recordName(const std::string& path) {
    std::string name = path;
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

// The soak's stream of `count` commands from `seed`, as the fuzz driver reads
// it: batches of 250 ended by the version request, one line per read.
std::string soakStream(const soak::Library& library, std::uint64_t seed, long count) {
    soak::Generator generator(library, seed);
    std::string lines;
    for (long sent = 0; sent < count; sent += 250) {
        for (long i = sent; i + 1 < count && i + 1 < sent + 250; ++i) lines += generator.next().line() + "\n";
        lines += generator.version().line() + "\n";
    }
    return wiredriver::encodeLines(lines);
}

// Inputs made from the given ones by byte changes: flips, insertions, cuts
// and splices, from a fixed sequence, so both revisions run the same inputs.
std::vector<Input> mutations(const std::vector<Input>& from, int count) {
    std::vector<Input> made;
    if (from.empty()) return made;
    soak::Random random(20261208);
    for (int i = 0; i < count; ++i) {
        std::string bytes = from[static_cast<std::size_t>(random.below(static_cast<int>(from.size())))].bytes;
        const int changes = random.between(1, 8);
        for (int c = 0; c < changes; ++c) {
            const int at = random.below(static_cast<int>(bytes.size()) + 1);
            switch (random.below(4)) {
                case 0:
                    if (!bytes.empty() && at < static_cast<int>(bytes.size()))
                        bytes[static_cast<std::size_t>(at)] = static_cast<char>(random.below(256));
                    break;
                case 1:
                    bytes.insert(static_cast<std::size_t>(at), 1, static_cast<char>(random.below(256)));
                    break;
                case 2:
                    bytes.erase(static_cast<std::size_t>(at), static_cast<std::size_t>(random.below(64)));
                    break;
                default: {
                    const std::string& other =
                        from[static_cast<std::size_t>(random.below(static_cast<int>(from.size())))].bytes;
                    const int start = random.below(static_cast<int>(other.size()) + 1);
                    bytes.insert(
                        static_cast<std::size_t>(at),
                        other.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(random.below(200))));
                    break;
                }
            }
        }
        if (bytes.size() > 4096) bytes.resize(4096);
        made.push_back({"mutation-" + std::to_string(i), bytes});
    }
    return made;
}

bool writeRecord(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillon-wirerecord OUTDIR [--soak SEED:COUNT]... [--mutations N] INPUT...\n");
        return 2;
    }
    const std::string outDir = argv[1];
    const soak::Library soakLibrary;
    std::vector<Input> files, soaks;
    int mutationCount = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--soak" || argument == "--mutations") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (argument == "--mutations") {
                mutationCount = std::atoi(value.c_str());
                continue;
            }
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) {
                std::fprintf(stderr, "wirerecord: --soak takes SEED:COUNT\n");
                return 2;
            }
            const std::uint64_t seed = std::strtoull(value.c_str(), nullptr, 10);
            const long count = std::atol(value.c_str() + colon + 1);
            soaks.push_back({"soak-" + std::to_string(seed) + "-" + std::to_string(count),
                             soakStream(soakLibrary, seed, count), &soakLibrary.entries});
            continue;
        }
        files.push_back({recordName(argument), readFile(argument)});
    }
    std::vector<Input> inputs = files;
    for (Input& made : mutations(files, mutationCount)) inputs.push_back(std::move(made));
    for (Input& stream : soaks) inputs.push_back(std::move(stream));

    for (const Input& input : inputs) {
        const wiredriver::Outcome outcome = wiredriver::runConversation(
            reinterpret_cast<const std::uint8_t*>(input.bytes.data()), input.bytes.size(), input.library);
        std::string requests;
        for (const std::string& line : outcome.hostRequests) requests += line + "\n";
        // A check the fuzz driver makes that failed is part of the record.
        if (!outcome.problem.empty()) requests += "problem: " + outcome.problem + "\n";
        if (!writeRecord(outDir + "/" + input.name + ".wire", outcome.received) ||
            !writeRecord(outDir + "/" + input.name + ".host", requests)) {
            std::fprintf(stderr, "wirerecord: cannot write the records of %s in %s\n", input.name.c_str(),
                         outDir.c_str());
            return 1;
        }
    }
    std::printf("wirerecord: %zu inputs recorded\n", inputs.size());
    return 0;
}
