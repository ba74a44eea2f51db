// The replay program of a fuzz target, built without libFuzzer (PICDEX_FUZZ_REPLAY): it
// feeds every file of the folders named on its command line to the target, one at a time,
// so that the seed corpus and the kept regressions run as an ordinary test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Replays every file of the folders given; a folder that is absent fails the run (the
// folder walk throws).
inline void ReplayFolders(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        }
}
