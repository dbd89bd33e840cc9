// Fuzz driver for the skin-file parser: seeded random bytes and mutations of
// the real skins, a bounded number of rounds, so that it runs in ctest (and
// under the sanitizers in the sanitizer build).
//   fuzz_skin_file <rounds> <skin file>...

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "skin/format/colour.h"
#include "skin/format/skin_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void check(bool ok, const char* what, const Bytes& input) {
    if (ok) return;
    std::fprintf(stderr, "property failed: %s; %zu input bytes:", what, input.size());
    for (std::size_t i = 0; i < input.size() && i < 256; ++i) std::fprintf(stderr, " %02x", input[i]);
    std::fprintf(stderr, "\n");
    std::abort();
}

void exercise(const Bytes& input) {
    const auto skin = qv::skin::parseSkinFile(input);
    if (!skin) return;
    check(skin->styleSheet.size() <= qv::skin::kMaxStyleSheetBytes, "style sheet within bounds", input);
    check(skin->name.size() <= qv::skin::kMaxNameBytes, "name within bounds", input);
    check(skin->styleSheet.find("url(") == std::string::npos, "no outside files", input);
    // What parses must read back the same after writing it again.
    check(qv::skin::parseSkinFile(qv::skin::encodeSkinFile(*skin)) == skin, "round trip", input);
    qv::skin::ColourTransform transform;
    transform.shift = {static_cast<std::int32_t>(input.size()) * 7919, -30, 40};
    transform.tintPercent = 20;
    const auto shifted = qv::skin::transformStyleSheet(skin->styleSheet, transform);
    check(shifted.size() == skin->styleSheet.size(), "colour rewrite keeps the length", input);
}

Bytes mutate(Bytes bytes, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
        const auto at = bytes.empty() ? 0 : random() % bytes.size();
        switch (random() % 6) {
            case 0: if (!bytes.empty()) bytes[at] = static_cast<std::uint8_t>(random()); break;
            case 1: if (!bytes.empty()) bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
            case 2: bytes.resize(at); break;                                   // truncate
            case 3: bytes.insert(bytes.begin() + at, static_cast<std::uint8_t>(random())); break;
            case 4: if (!bytes.empty()) bytes.erase(bytes.begin() + at); break;
            default:                                                           // a hostile length
                if (bytes.size() >= at + 4) {
                    const std::uint32_t lengths[] = {0, 1, 0x7fffffffu, 0xffffffffu, 0x10000u, 0xfffffff8u};
                    const std::uint32_t v = lengths[random() % 6];
                    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
                }
        }
    }
    return bytes;
}

Bytes readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    std::vector<Bytes> seeds;
    for (int i = 2; i < argc; ++i) {
        seeds.push_back(readFile(argv[i]));
        if (!qv::skin::parseSkinFile(seeds.back())) {
            std::fprintf(stderr, "seed %s does not parse\n", argv[i]);
            return 1;
        }
    }
    std::mt19937 random(20261211);
    for (long round = 0; round < rounds; ++round) {
        if (seeds.empty() || round % 4 == 0) {
            Bytes noise(random() % 64);
            for (auto& b : noise) b = static_cast<std::uint8_t>(random());
            if (random() % 2) noise.insert(noise.begin(), {'.', 'S', 'H', 'E', 1, 0});
            exercise(noise);
            continue;
        }
        exercise(mutate(seeds[random() % seeds.size()], random));
    }
    std::printf("fuzz_skin_file: %ld rounds over %zu seeds, no fault\n", rounds, seeds.size());
    return 0;
}
