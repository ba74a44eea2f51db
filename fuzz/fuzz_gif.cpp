// Fuzz target of the GIF reader. Any bytes are read as a GIF file from memory; a picture
// that loads is written again, and the copy must read back with the same size, pixels and
// colour table. Sanitizers report any read or write outside a block or table.
//
// Built with PICDEX_FUZZ_REPLAY it has a main of its own that replays files, so that the
// seed corpus and the regressions run as an ordinary test in any build.
#include "imaging/PxGif.h"
#include "platform/ByteOrder.h"
#include "platform/MemFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Pixels of the first image the bytes declare, found by a walk over the blocks; 0 when
// there is none. A tiny file may declare an image of up to a gigabyte, which loads (as
// zeros) and writes correctly but slowly; so that the fuzzer spends its time on the
// parser, larger images are passed over and only small ones make the round trip.
std::uint64_t FirstImagePixels(const std::uint8_t* data, std::size_t size) {
    std::size_t at = size < 13 ? size : 13 + (data[10] & 0x80 ? 3u << ((data[10] & 7) + 1) : 0);
    for (; at < size && data[at] != ','; ++at)
        if (data[at] == '!')
            for (at += 2; at < size && data[at] != 0;)
                at += std::size_t{data[at]} + 1;
    return at + 9 <= size ? std::uint64_t{GetLe16(data + at + 5)} * GetLe16(data + at + 7) : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t pixels = FirstImagePixels(data, size);
    if (pixels > (std::uint64_t{1} << 22))
        return 0;
    CMemFile input, output;
    input.Write(data, size);
    input.SeekToBegin();
    PxGif image, copy;
    if (!image.LoadFromFile(input) || pixels > (1u << 16))
        return 0;
    // The header block holds the size and the colour table.
    if (!image.SaveToFile(output) || (output.SeekToBegin(), !copy.LoadFromFile(output)) ||
        !std::ranges::equal(image.GetHeader(), copy.GetHeader()) ||
        !std::ranges::equal(image.GetBits(), copy.GetBits()))
        std::abort();
    return 0;
}

#ifdef PICDEX_FUZZ_REPLAY
#include "FuzzReplay.h"
#endif
