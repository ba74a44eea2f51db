#include "storage/Reconstruction.h"

#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/IndexBuilder.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace {
// Blocks read at once while looking for record heads.
constexpr std::int32_t scanBlocks = 512;

bool Rename(const std::string& from, const std::string& to, int& cause) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    cause = FileCauseFromErrno(errno);
    return false;
}
} // namespace

std::string TemporaryIndexPath(const std::string& mainPath) {
    return mainPath + "%$I.pxi";
}
std::string TemporaryMainBasePath(const std::string& mainPath) {
    return mainPath + "%$%";
}

int BuildIndexFromMain(CPictureDatabase& db, const std::string& path,
                       IReconstructionProgress& progress) {
    CMainFile& main = db.Main();
    const std::int32_t n = main.BlockCount();
    CIndexBuilder builder;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(scanBlocks) * MainFormat::blockSize);
    for (std::int32_t first = 1; first < n; first += scanBlocks) {
        const std::int32_t count = std::min(scanBlocks, n - first);
        if (!main.ReadBlocks(chunk.data(), first, count))
            return 0;
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t b = first + k;
            progress.Step(b, n);
            CRecordHead head;
            std::copy_n(chunk.data() + static_cast<std::size_t>(k) * MainFormat::blockSize,
                        MainFormat::blockSize, head.Bytes());
            if (head.Kind() != 1)
                continue;
            for (const std::string& key : RecordKeys(head))
                builder.Add(key, b);
        }
    }
    return builder.Write(path);
}

int BuildMainCopy(CPictureDatabase& db, const std::string& basePath,
                  IReconstructionProgress& progress) {
    std::string password;
    if (!db.GetPassword(password))
        return 0;
    CPictureDatabase target;
    if (!target.OpenDatabase(basePath, true) || !target.SetPassword(password))
        return 0;
    CIndexFile& index = db.Index();
    const std::int32_t count = index.EntryCount();
    if (count < 0)
        return 0;
    for (std::int32_t i = 0; i < count; ++i) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return 0;
        progress.Step(i + 1, count);
        const std::string_view key = entry.Key();
        if (!key.empty() && key[0] == IndexFormat::nameFamily && !entry.IsDeleted() &&
            !db.CopyRecord(entry.record, target))
            return 0;
    }
    return 1;
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
        return 1;
    }

    const std::string base = TemporaryMainBasePath(mainPath);
    const std::string newMain = ResolveCaseInsensitive(base + ".pxm");
    const std::string newMainIndex = ResolveCaseInsensitive(base + ".pxi");
    if (!FileExists(newMain) || !FileExists(newMainIndex))
        return 1;

    ShowMessage("Finished reconstructing file.");
    const std::string stem = ReplaceExtension(path, ".");
    const std::string oldMain = ResolveCaseInsensitive(stem + "pxm");
    const std::string oldIndex = ResolveCaseInsensitive(stem + "pxi");
    const std::string mainBackup = ResolveCaseInsensitive(stem + "px1");
    const std::string indexBackup = ResolveCaseInsensitive(stem + "px2");
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
    std::remove(mainBackup.c_str());
    std::remove(indexBackup.c_str());
    return 1;
}
