// The picture chain walk on hand-made blocks: a chain cut by the end of the file, a head in
// the last block and a loop through every block ask for no block outside the file.
#include "storage/PictureChainWalk.h"
#include "platform/ByteOrder.h"
#include "support/TestSupport.h"

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
