#include "crash/CrashRecovery.h"

#include "crash/ChildProcess.h"

#include "collection/VerifyDatabase.h"
#include "platform/ByteOrder.h"
#include "support/NoProgress.h"
#include "support/TestSupport.h"

namespace {

constexpr std::size_t blockSize = 2048;
constexpr std::int32_t payloadSize = 2032;

// Whether the picture chain of the head at h reaches its end inside the file.
bool ChainIsComplete(const std::vector<std::uint8_t>& main, std::int32_t h) {
    const auto blocks = static_cast<std::int32_t>(main.size() / blockSize);
    auto at = [&](std::int32_t block, std::size_t offset) {
        return GetLe32(main.data() + static_cast<std::size_t>(block) * blockSize + offset);
    };
    const std::uint32_t dataSize = GetLeU32(main.data() + std::size_t(h) * blockSize + 472);
    std::int64_t bytes = 0;
    std::int32_t b = at(h, 4);
    for (std::int32_t steps = 0; steps < blocks; ++steps) {
        if (b < 1 || b >= blocks || at(b, 8) != 0)
            return false;
        const std::int32_t count = at(b, 12);
        if (count < 0 || count > payloadSize)
            return false;
        bytes += count;
        b = at(b, 4);
        if (b == -1)
            return dataSize == 0 || bytes == dataSize;
    }
    return false;
}

// The index reconstruction as the program runs it: build beside the database, then
// install it before the next open.
bool RebuildIndex(const std::string& mainPath) {
    // As the program opens it: a missing index is created empty.
    CPictureDatabase db;
    return db.OpenDatabase(mainPath, true) && BuildAndInstall(db);
}

bool RebuildIndexWithCli(const std::string& mainPath, const std::string& cli,
                         const std::string& scratchFolder) {
    CChildProcess child;
    if (!child.Start(cli, {"reconstruct", mainPath, "--index"}, scratchFolder + "rebuild.txt"))
        return false;
    return child.Wait(CChildProcess::Clock::now() + std::chrono::seconds(60)) &&
           child.ExitStatus() == 0;
}

} // namespace

std::vector<std::int32_t> FindInterruptedAdds(const std::vector<std::uint8_t>& main) {
    std::vector<std::int32_t> heads;
    const auto blocks = static_cast<std::int32_t>(main.size() / blockSize);
    for (std::int32_t b = 1; b < blocks; ++b) {
        if (GetLe32(main.data() + std::size_t(b) * blockSize + 8) == 1 && !ChainIsComplete(main, b))
            heads.push_back(b);
    }
    return heads;
}

CrashRecovery RecoverAfterKill(const std::string& mainPath, const std::string& scratchFolder,
                               const std::string& cli) {
    CrashRecovery recovery;
    CompletePendingReconstruction(mainPath);
    recovery.interruptedAdds = FindInterruptedAdds(ReadFileBytes(mainPath));
    recovery.firstCheck = VerifyDatabase(mainPath, false);
    recovery.finalCheck = recovery.firstCheck;
    if (!recovery.firstCheck.indexDamaged)
        return recovery;
    recovery.indexRebuilt = true;
    recovery.rebuildFailed =
        cli.empty() ? !RebuildIndex(mainPath) : !RebuildIndexWithCli(mainPath, cli, scratchFolder);
    recovery.finalCheck = VerifyDatabase(mainPath, false);
    return recovery;
}
