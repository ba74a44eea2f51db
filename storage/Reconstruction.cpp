#include "storage/Reconstruction.h"

#include "platform/ByteOrder.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/CommitBatch.h"
#include "storage/IndexBuilder.h"
#include "storage/MainCopyPlan.h"
#include "storage/Password.h"
#include "storage/PictureChainWalk.h"
#include "storage/PictureDatabase.h"
#include "storage/RecordHeadScan.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <vector>

namespace {
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
std::string BuildingPath(const std::string& name) {
    return name + "-building";
}

void RemoveUnfinishedBuilds(const std::string& mainPath) {
    const std::string index = BuildingPath(TemporaryIndexPath(mainPath));
    const std::string base = BuildingPath(TemporaryMainBasePath(mainPath));
    for (const std::string& name : {index, base + ".pxm", base + ".pxi"}) {
        const std::string found = ResolveCaseInsensitive(name);
        if (FileExists(found))
            UnlinkFile(found);
    }
}

int BuildIndexFromMain(CPictureDatabase& db, const std::string& path,
                       IReconstructionProgress& progress) {
    CIndexBuilder builder;
    const int scanned = ScanRecordHeads(db.Main(), progress, [&](const ScannedHead& found) {
        if (found.complete) {
            for (const std::string& key : RecordKeys(found.head))
                builder.Add(key, found.block);
        }
    });
    return scanned ? builder.Write(path) : 0;
}

namespace {

// Thumbnail chains longer than this are not copied; no thumbnail comes near it, and the
// copy makes a new one when it is shown.
constexpr std::int64_t thumbnailLimit = std::int64_t{16} << 20;

// Reads the chain walk asks for into bytes, block by block, as far as the walk goes.
// 1 when the chain is complete (and within limit bytes); 0 when it is not; -1 when a block
// cannot be read or bytes cannot hold it (the file error has been shown).
int ReadWalkedChain(CMainFile& main, CPictureChainWalk& walk, CMemFile& bytes, std::int64_t limit) {
    // Chains written by an add run through consecutive blocks: they are read a run of blocks
    // at a time, and read again from wherever a link leaves the run.
    constexpr std::int32_t runBlocks = 64;
    std::vector<std::uint8_t> run(static_cast<std::size_t>(runBlocks) * MainFormat::blockSize);
    std::int32_t first = 0, count = 0; // the blocks run holds
    const std::int32_t blockCount = main.BlockCount();
    try {
        while (!walk.Decided()) {
            const std::int32_t want = walk.Awaited();
            if (want < first || want >= first + count) {
                first = want;
                count = std::clamp(blockCount - want, 1, runBlocks);
                if (!main.ReadBlocks(run.data(), first, count))
                    return -1;
            }
            const std::uint8_t* block =
                run.data() + static_cast<std::size_t>(want - first) * MainFormat::blockSize;
            if (walk.Feed(block)) {
                const auto size =
                    static_cast<std::size_t>(GetLe32(block + MainFormat::offByteCount));
                if (walk.Bytes() > limit)
                    return 0;
                if (size > 0)
                    bytes.Write(block + MainFormat::offPayload, size);
            }
        }
    } catch (const CFileException& e) {
        ShowMessage(FileErrorText(e.Cause()));
        return -1;
    }
    return walk.Complete() ? 1 : 0;
}

// Names the record at block that cannot be copied, with its file name when its head
// holds one.
void ReportUncopied(CMainFile& main, std::int32_t block) {
    CRecordHead head;
    const bool isHead = main.ReadHead(head, block) && head.Kind() == 1;
    const std::string name = isHead ? head.FileName() : std::string();
    ShowMessage("Cannot read the record " + (name.empty() ? std::string() : name + " ") +
                "at block " + std::to_string(block) + "; it is not copied.");
}

// The memory a main-file copy reads each record's picture and thumbnail into, kept from
// record to record so that a large picture does not grow a fresh block piece by piece.
struct CopyBuffers {
    CMemFile picture, thumbnail;
};

// Copies the complete record at block into target, reading its chains no further than
// they are complete (CPictureChainWalk). 1, or 0 after a file error (shown).
int CopyCompleteRecord(CMainFile& main, std::int32_t block, CPictureDatabase& target,
                       CopyBuffers& buffers) {
    const std::int32_t n = main.BlockCount();
    CRecordHead head;
    CMemFile& picture = buffers.picture;
    picture.SetLength(0);
    picture.SeekToBegin();
    if (!main.ReadHead(head, block))
        return 0;
    CPictureChainWalk walk(head, block, n);
    const int read = ReadWalkedChain(main, walk, picture, std::numeric_limits<std::int64_t>::max());
    if (read != 1) {
        // The scan found the chain complete: what fails now is the file.
        if (read == 0)
            ShowMessage(FileErrorText(FileCause::generic));
        return 0;
    }
    CPictureDatabase::Keywords keywords;
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        keywords[static_cast<std::size_t>(slot)] = head.Keyword(slot);
    // A thumbnail that cannot be read is left behind: it is made again when shown.
    const std::int32_t thumbnail = head.ThumbnailBlock();
    const bool own = thumbnail == head.Next();
    CMemFile& stored = buffers.thumbnail;
    stored.SetLength(0);
    stored.SeekToBegin();
    bool haveThumbnail = own;
    if (thumbnail != 0 && !own) {
        CPictureChainWalk thumbnailWalk(thumbnail, 0, n);
        const int read = ReadWalkedChain(main, thumbnailWalk, stored, thumbnailLimit);
        if (read < 0)
            return 0;
        haveThumbnail = read == 1;
    }
    const std::int32_t copy = target.Main().BlockCount();
    if (!haveThumbnail)
        return target.AddRecord(picture, head.Crc(), head.FileName(), head.DateImageCreated(),
                                head.Width(), head.Height(), keywords);
    if (!target.AddRecord(picture, head.Crc(), head.FileName(), head.DateImageCreated(),
                          head.Width(), head.Height(), keywords, own ? nullptr : &stored, !own))
        return 0;
    // The add leaves a record without its thumbnail when writing that fails (the file error
    // has been shown); a copy must be whole.
    CRecordHead written;
    return target.ReadHead(written, copy) && written.ThumbnailBlock() != 0 ? 1 : 0;
}

} // namespace

int BuildMainCopy(CPictureDatabase& db, const std::string& basePath,
                  IReconstructionProgress& progress, MainCopyReport* report) {
    MainCopyReport local;
    MainCopyReport& done = report ? *report : local;
    done = MainCopyReport{};
    std::string password;
    if (!db.GetPassword(password))
        return 0;
    // Every complete record of the main file, in block order: what must survive.
    std::vector<std::int32_t> complete;
    std::vector<bool> isComplete(static_cast<std::size_t>(std::max(db.Main().BlockCount(), 0)));
    if (!ScanRecordHeads(db.Main(), progress, [&](const ScannedHead& found) {
            if (found.complete) {
                complete.push_back(found.block);
                isComplete[static_cast<std::size_t>(found.block)] = true;
            }
        }))
        return 0;
    // The records to copy, from an index sound enough to say which are live and that names
    // every complete record. Otherwise the index is rebuilt from the main file first: every
    // complete record is copied, deleted ones included, as after an index reconstruction.
    std::vector<std::int32_t> copies;
    std::vector<bool> named;
    const int planned = PlanMainCopy(db, copies, named);
    if (planned < 0)
        return 0;
    bool covered = planned == 1;
    for (std::size_t k = 0; covered && k < complete.size(); ++k)
        covered = named[static_cast<std::size_t>(complete[k])];
    // One progress step per index entry, as the copy goes through them; per record when
    // the records come from the main file.
    if (!covered) {
        ShowMessage("The index file does not name every record of the main file: the index is "
                    "reconstructed from the main file first.");
        copies = complete;
        done.indexRebuilt = true;
    }

    CPictureDatabase target;
    if (!target.OpenDatabase(basePath, true) || !target.SetPassword(password))
        return 0;
    // The new files are synced once, when they are complete: a build is only ever swapped
    // in finished (BuildingPath), so a sync per record would buy nothing.
    CCommitBatch batch(target, CCommitBatch::whole);
    const auto count = static_cast<std::int32_t>(copies.size());
    CopyBuffers buffers;
    for (std::int32_t i = 0; i < count; ++i) {
        progress.Step(i + 1, count);
        // A record whose chain does not end inside the file cannot be read by anyone; every
        // complete one is copied, or the build fails.
        const std::int32_t record = copies[static_cast<std::size_t>(i)];
        if (record < 0)
            continue;
        if (!isComplete[static_cast<std::size_t>(record)]) {
            ReportUncopied(db.Main(), record);
            ++done.notCopied;
        } else if (CopyCompleteRecord(db.Main(), record, target, buffers)) {
            ++done.copied;
        } else {
            return 0;
        }
    }
    return batch.Finish();
}

int ClearDamagedPassword(const std::string& path) {
    const std::string mainPath = ResolveCaseInsensitive(StripExtension(path) + ".PXM");
    if (!FileExists(mainPath))
        return 0;
    CMainFile main;
    if (!main.Open(mainPath, 0))
        return -1;
    if (main.IsReadOnly())
        return 0;
    CRecordHead header;
    if (!main.ReadBlock(header.Bytes(), 0))
        return -1;
    if (IsValidPasswordField(header.Bytes() + MainFormat::passwordOffset) ||
        !AskYesNo("The password field of this database is damaged, so no password opens it. "
                  "Clear the password?"))
        return 0;
    return main.SetPassword("") && main.Flush() ? 1 : -1;
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
