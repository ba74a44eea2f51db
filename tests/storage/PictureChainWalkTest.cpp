// The picture chain walk on hand-made blocks: complete chains as the format allows them
// (also with the links nothing reads gone wrong, or bytes that fail the head's CRC), every
// way a chain can be incomplete, and no block asked for outside the file.
#include "storage/PictureChainWalk.h"
#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Blocks = std::map<std::int32_t, Bytes>;
constexpr std::int32_t headBlock = 10, blockCount = 20;

// The blocks after a head at headBlock holding picture, linked as the program writes them.
Blocks ChainBlocks(const Bytes& picture) {
    Blocks blocks;
    std::size_t offset = 0;
    for (std::int32_t b = headBlock + 1;; ++b) {
        const std::size_t piece = std::min<std::size_t>(2032, picture.size() - offset);
        Bytes& block = blocks[b];
        block.assign(2048, 0);
        PutLe32(&block[0], b - 1);
        PutLe32(&block[4], piece == 2032 ? b + 1 : -1);
        PutLe32(&block[12], std::int32_t(piece));
        std::copy_n(picture.begin() + std::ptrdiff_t(offset), piece, &block[16]);
        offset += piece;
        if (piece != 2032)
            return blocks;
    }
}

// Walks the chain over blocks; every block asked for must be one of them, inside the file.
CPictureChainWalk Walk(const Blocks& blocks, std::uint32_t dataSize,
                       std::int32_t first = headBlock + 1) {
    CPictureChainWalk walk(first, dataSize, blockCount, headBlock);
    for (int steps = 0; !walk.Decided(); ++steps) {
        const std::int32_t b = walk.Awaited();
        EXPECT_TRUE(b >= 1 && b < blockCount && blocks.contains(b) && steps < blockCount)
            << "asked for block " << b;
        if (!blocks.contains(b) || steps >= blockCount)
            break;
        walk.Feed(blocks.at(b).data());
    }
    return walk;
}

TEST(PictureChainWalkTest, EveryWayAChainIsIncomplete) {
    const Bytes picture = PatternBytes(5000, 7); // blocks 11, 12 (full) and 13 (936 bytes)
    const std::vector<std::pair<std::function<void(Blocks&)>, std::string>> cases = {
        // A head appended later has -1 as its previous link.
        {[](Blocks& m) { PutLe32(&m[12][8], 1), PutLe32(&m[12][0], -1); },
         "runs into block 12, a record head"},
        {[](Blocks& m) { PutLe32(&m[12][8], 5), PutLe32(&m[12][0], 3); },
         "runs into block 12, of kind 5"},
        {[](Blocks& m) { PutLe32(&m[13][12], 2033); },
         "reaches block 13, whose byte count 2033 lies outside 0 to 2032"},
        {[](Blocks& m) { PutLe32(&m[13][12], -1); }, "byte count -1 lies outside"},
        {[](Blocks& m) { PutLe32(&m[12][4], 20); }, "runs past the end of the file (block 20)"},
        {[](Blocks& m) { PutLe32(&m[12][4], 0); }, "links to block 0, which holds no data"},
        {[](Blocks& m) { PutLe32(&m[12][4], INT32_MIN); }, "links to block -2147483648"},
        {[](Blocks& m) { PutLe32(&m[13][4], 11); }, "runs in a circle"},
        {[](Blocks& m) { PutLe32(&m[11][4], 11); }, "runs in a circle"},
        // Cut after its first block, which runs on into a chain of 2100 bytes stored later.
        {[](Blocks& m) {
             Blocks later = ChainBlocks(PatternBytes(2100, 1));
             m[12] = later[11];
             PutLe32(&m[12][4], 13);
             m[13] = later[12];
         },
         "holds 4132 bytes, the head says 5000, and runs into blocks written for another"},
    };
    for (const auto& [damage, expected] : cases) {
        Blocks blocks = ChainBlocks(picture);
        damage(blocks);
        const CPictureChainWalk walk = Walk(blocks, 5000);
        EXPECT_TRUE(walk.Decided() && !walk.Complete()) << expected;
        EXPECT_NE(walk.Fault().find(expected), std::string::npos) << expected << "\n"
                                                                  << walk.Fault();
    }
    EXPECT_EQ(Walk(ChainBlocks(picture), 5000, -1).Fault(), "is missing (its first block is -1)");
}

TEST(PictureChainWalkTest, NoBlockIsAskedForOutsideTheFile) {
    // A chain cut by the end of the file: the last block in the file points past it.
    const Bytes picture = PatternBytes(2032 * 12, 4);
    const Blocks blocks = ChainBlocks(picture); // blocks 11 to 23, the file ends at block 20
    CPictureChainWalk walk(headBlock + 1, std::uint32_t(picture.size()), blockCount);
    while (!walk.Decided()) {
        ASSERT_LT(walk.Awaited(), blockCount);
        walk.Feed(blocks.at(walk.Awaited()).data());
    }
    EXPECT_EQ(walk.Fault(), "runs past the end of the file (block 20)");
    EXPECT_EQ(walk.Blocks(), 9);
    // A head in the last block: its chain starts outside the file, nothing is asked for.
    const CPictureChainWalk last(blockCount, 0, blockCount);
    EXPECT_TRUE(last.Decided());
    EXPECT_EQ(last.Fault(), "runs past the end of the file (block 20)");
    // A loop through every block of the file ends after blockCount - 1 of them.
    Blocks ring;
    for (std::int32_t b = 1; b < blockCount; ++b) {
        ring[b].assign(2048, 0);
        PutLe32(&ring[b][4], b == blockCount - 1 ? 1 : b + 1);
    }
    const CPictureChainWalk circle = Walk(ring, 0, 1);
    EXPECT_EQ(circle.Fault(), "runs in a circle (more blocks than the file has)");
    EXPECT_EQ(circle.Blocks(), blockCount - 1);
}

} // namespace
