#include "storage/RecordHeadScan.h"

#include "platform/ByteOrder.h"
#include "storage/MainFile.h"
#include "storage/Reconstruction.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {
// Blocks read at once while looking for record heads.
constexpr std::int32_t scanBlocks = 512;

// Blocks a record's picture chain may be fed away from the scan, for all records together,
// as a multiple of the file's blocks. The program's own chains follow their heads and cost
// nothing extra; a file made to send many heads round one long chain runs out, and the
// heads not decided by then keep their entries.
constexpr std::int64_t awayBudgetPerBlock = 2;

const std::uint8_t* BlockIn(const std::vector<std::uint8_t>& chunk, std::int32_t k) {
    return chunk.data() + static_cast<std::size_t>(k) * MainFormat::blockSize;
}

// A record head met by the scan whose picture chain is still being walked.
struct PendingRecord {
    std::int32_t block;
    CRecordHead head;
    CPictureChainWalk walk;
};
} // namespace

int ScanRecordHeads(CMainFile& main, IReconstructionProgress& progress,
                    const std::function<void(const ScannedHead&)>& found) {
    const std::int32_t n = main.BlockCount();
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(scanBlocks) * MainFormat::blockSize);
    std::vector<std::int32_t> nextOf(static_cast<std::size_t>(std::max(n, 1)), -1);
    std::int32_t first = 1, count = 0; // the blocks chunk holds
    std::array<std::uint8_t, MainFormat::blockSize> away{};
    std::int64_t budget = awayBudgetPerBlock * n;
    // A chain normally runs on in the blocks right after its head, so at most one record
    // waits for the scan at a time: the blocks it asks for are the ones the scan reads next.
    std::optional<PendingRecord> pending;
    auto nextLink = [&](std::int32_t p) { return nextOf[static_cast<std::size_t>(p)]; };

    // Feeds the pending walk until it decides or waits for block b + 1, the scan's next.
    // Blocks elsewhere come from the chunk in memory or are read on their own. A decided
    // record is reported, still in block order. False when a block cannot be read.
    auto advance = [&](std::int32_t b) {
        CPictureChainWalk& walk = pending->walk;
        while (!walk.Decided() && walk.Awaited() != b + 1 && budget > 0) {
            const std::int32_t a = walk.Awaited();
            --budget;
            if (a >= first && a < first + count) {
                walk.Feed(BlockIn(chunk, a - first));
            } else {
                if (!main.ReadBlock(away.data(), a))
                    return false;
                walk.Feed(away.data());
            }
        }
        if (!walk.Decided() && walk.Awaited() == b + 1)
            return true;
        found(ScannedHead{pending->block, pending->head, walk, !walk.Decided() || walk.Complete()});
        pending.reset();
        return true;
    };

    for (first = 1; first < n; first += scanBlocks) {
        count = std::min(scanBlocks, n - first);
        if (!main.ReadBlocks(chunk.data(), first, count))
            return 0;
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t b = first + k;
            progress.Step(b, n);
            const std::uint8_t* block = BlockIn(chunk, k);
            nextOf[static_cast<std::size_t>(b)] = GetLe32(block + MainFormat::offNext);
            // A block that ends a waiting chain early may be the next record's head.
            if (pending) {
                pending->walk.Feed(block);
                if (!advance(b))
                    return 0;
            }
            if (GetLe32(block + MainFormat::offKind) != 1 ||
                !IsRecordHead(b, GetLe32(block + MainFormat::offPrevious), nextLink))
                continue;
            CRecordHead head;
            std::copy_n(block, MainFormat::blockSize, head.Bytes());
            pending.emplace(PendingRecord{b, head, CPictureChainWalk(head, b, n)});
            if (!advance(b))
                return 0;
        }
    }
    return 1;
}
