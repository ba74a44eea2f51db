// The replay program of a fuzz target, built without libFuzzer (PICDEX_FUZZ_REPLAY): it
// feeds every file of the folders named on its command line to the target, one at a time,
// so that the seed corpus and the kept regressions run as an ordinary test. A target that
// checks more at the end defines PICDEX_FUZZ_OWN_MAIN and calls ReplayFolders itself.
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

#ifndef PICDEX_FUZZ_OWN_MAIN
int main(int argc, char** argv) {
    ReplayFolders(argc, argv);
    return 0;
}
#endif
