// A reconstruction's progress that nobody watches, and reconstructions run with it.
#pragma once

#include "storage/PictureDatabase.h"
#include "storage/Reconstruction.h"

#include <string>

class CNoProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t, std::int32_t) override {}
};

// Builds a new index (with mainFile, a new main file) from the open database db, closes db
// and installs the result as the next open does; false when a step fails.
inline bool BuildAndInstall(CPictureDatabase& db, bool mainFile = false) {
    CNoProgress progress;
    const std::string mainPath = db.GetMainPath();
    const int built = mainFile
                          ? BuildMainCopy(db, TemporaryMainBasePath(mainPath) + ".PXM", progress)
                          : BuildIndexFromMain(db, TemporaryIndexPath(mainPath), progress);
    db.Close();
    return built == 1 && CompletePendingReconstruction(mainPath) == 1;
}
