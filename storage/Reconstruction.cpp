#include "storage/Reconstruction.h"

#include "platform/ByteOrder.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/IndexBuilder.h"
#include "storage/MainCopyPlan.h"
#include "storage/PictureChainWalk.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

namespace {
// Blocks read at once while looking for record heads.
constexpr std::int32_t scanBlocks = 512;

bool Rename(const std::string& from, const std::string& to, int& cause) {
    if (RenameFile(from, to))
        return true;
    cause = FileCauseFromErrno(errno);
    return false;
}

// Puts the renames done in the database's folder on stable storage; shows the file error
// and gives false when that fails.
bool SyncRenames(const std::string& mainPath) {
    if (SyncFolder(GetFolder(mainPath)))
        return true;
    ShowMessage(FileErrorText(FileCauseFromErrno(errno)));
    return false;
}
} // namespace

std::string TemporaryIndexPath(const std::string& mainPath) {
    return mainPath + "%$I.pxi";
}
std::string TemporaryMainBasePath(const std::string& mainPath) {
    return mainPath + "%$%";
}

namespace {

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

int BuildIndexFromMain(CPictureDatabase& db, const std::string& path,
                       IReconstructionProgress& progress) {
    CMainFile& main = db.Main();
    const std::int32_t n = main.BlockCount();
    CIndexBuilder builder;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(scanBlocks) * MainFormat::blockSize);
    std::int32_t first = 1, count = 0; // the blocks chunk holds
    std::array<std::uint8_t, MainFormat::blockSize> away{};
    std::int64_t budget = awayBudgetPerBlock * n;
    // A chain normally runs on in the blocks right after its head, so at most one record
    // waits for the scan at a time: the blocks it asks for are the ones the scan reads next.
    std::optional<PendingRecord> pending;

    // Feeds the pending walk until it decides or waits for block b + 1, the scan's next.
    // Blocks elsewhere come from the chunk in memory or are read on their own. A decided
    // record gets its entries when its chain is complete, still in block order. False when
    // a block cannot be read (the file error has been shown).
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
        if (!walk.Decided() || walk.Complete()) {
            for (const std::string& key : RecordKeys(pending->head))
                builder.Add(key, pending->block);
        }
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
            // A block that ends a waiting chain early may be the next record's head.
            if (pending) {
                pending->walk.Feed(block);
                if (!advance(b))
                    return 0;
            }
            if (GetLe32(block + MainFormat::offKind) != 1)
                continue;
            CRecordHead head;
            std::copy_n(block, MainFormat::blockSize, head.Bytes());
            pending.emplace(PendingRecord{b, head, CPictureChainWalk(head, n)});
            if (!advance(b))
                return 0;
        }
    }
    return builder.Write(path);
}

int BuildMainCopy(CPictureDatabase& db, const std::string& basePath,
                  IReconstructionProgress& progress) {
    std::string password;
    if (!db.GetPassword(password))
        return 0;
    // The records to copy, from an index sound enough to say which are live.
    std::vector<std::int32_t> copies;
    if (!PlanMainCopy(db, copies))
        return 0;
    CPictureDatabase target;
    if (!target.OpenDatabase(basePath, true) || !target.SetPassword(password))
        return 0;
    const auto count = static_cast<std::int32_t>(copies.size());
    for (std::int32_t i = 0; i < count; ++i) {
        progress.Step(i + 1, count);
        const std::int32_t record = copies[static_cast<std::size_t>(i)];
        if (record >= 0 && !db.CopyRecord(record, target))
            return 0;
    }
    // Every copy was committed as it was made; this leaves nothing unsynced before the new
    // files close, whatever happened in between.
    return target.Commit();
}

int CompletePendingReconstruction(const std::string& path) {
    const std::string mainPath = ResolveCaseInsensitive(ReplaceExtension(path, ".pxm"));

    const std::string newIndex = ResolveCaseInsensitive(TemporaryIndexPath(mainPath));
    if (FileExists(newIndex)) {
        ShowMessage("Finished reconstructing file.");
        // The rename replaces the old index in one step: there is no moment without one.
        const std::string index = ResolveCaseInsensitive(ReplaceExtension(path, ".pxi"));
        int cause = 0;
        if (!Rename(newIndex, index, cause)) {
            ShowMessage(FileErrorText(cause));
            return 0;
        }
        return SyncRenames(mainPath) ? 1 : 0;
    }

    const std::string base = TemporaryMainBasePath(mainPath);
    const std::string newMain = ResolveCaseInsensitive(base + ".pxm");
    const std::string newMainIndex = ResolveCaseInsensitive(base + ".pxi");
    const std::string stem = ReplaceExtension(path, ".");
    const std::string oldMain = ResolveCaseInsensitive(stem + "PXM");
    const std::string oldIndex = ResolveCaseInsensitive(stem + "PXI");
    const std::string mainBackup = ResolveCaseInsensitive(stem + "px1");
    const std::string indexBackup = ResolveCaseInsensitive(stem + "px2");
    // The swap is durable before the old files go: a crash can leave the backups behind,
    // never a database without its files.
    auto finishSwap = [&] {
        if (!SyncRenames(mainPath))
            return 0;
        UnlinkFile(mainBackup);
        UnlinkFile(indexBackup);
        return 1;
    };
    if (!FileExists(newMain) && FileExists(newMainIndex) && !FileExists(oldIndex)) {
        // A swap cut off between its last two renames: the new main file is in place and
        // its index still waits under the temporary name. (A build names its main file
        // before its index, so this state comes from nothing else.) Without this step the
        // open would make an empty index for the new main file.
        ShowMessage("Finished reconstructing file.");
        int cause = 0;
        if (!Rename(newMainIndex, oldIndex, cause)) {
            ShowMessage(FileErrorText(cause));
            return 0;
        }
        return finishSwap();
    }
    if (!FileExists(newMain) || !FileExists(newMainIndex))
        return 1;

    ShowMessage("Finished reconstructing file.");
    struct Step {
        std::string from, to;
    };
    const Step steps[] = {{oldMain, mainBackup},
                          {oldIndex, indexBackup},
                          {newMain, oldMain},
                          {newMainIndex, oldIndex}};
    int done = 0, cause = 0;
    for (const Step& step : steps) {
        // An old file that is already missing has nothing to keep.
        if (done < 2 && !FileExists(step.from)) {
            ++done;
            continue;
        }
        if (!Rename(step.from, step.to, cause))
            break;
        ++done;
    }
    if (done < 4) {
        // Put back what was moved, newest first, so the old database stays as it was and the
        // new files wait for the next open.
        for (int k = done - 1; k >= 0; --k) {
            int ignored = 0;
            if (FileExists(steps[k].to))
                Rename(steps[k].to, steps[k].from, ignored);
        }
        ShowMessage(FileErrorText(cause));
        return 0;
    }
    return finishSwap();
}
