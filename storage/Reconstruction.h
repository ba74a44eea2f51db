// Rebuilding the files of a picture database: a new index from the record heads of the
// main file, or a new main file and index holding only the live records. Both are built
// under temporary names beside the database; CompletePendingReconstruction swaps them in
// before the database is next opened by path.
#pragma once

#include <cstdint>
#include <string>

class CPictureDatabase;

// Told before each step of a build: the steps done so far counting this one, and the total.
class IReconstructionProgress {
public:
    virtual ~IReconstructionProgress() = default;
    virtual void Step(std::int32_t done, std::int32_t total) = 0;
};

// The temporary names, formed from the main file's full path.
std::string TemporaryIndexPath(const std::string& mainPath);    // M + "%$I.pxi"
std::string TemporaryMainBasePath(const std::string& mainPath); // M + "%$%"

// Writes a new index at path with the entries of every record head of db's main file,
// deleted records included, in block order. A head whose picture chain is not complete
// (CPictureChainWalk: through data blocks to its end inside the file, with as many bytes
// as the head's data size) is left out: it is what an interrupted add leaves, and its
// picture cannot be read. A complete chain whose bytes fail the CRC keeps its record: the
// picture is damaged, mostly readable, not unfinished. 1 or 0 (the file error has been
// shown).
int BuildIndexFromMain(CPictureDatabase& db, const std::string& path,
                       IReconstructionProgress& progress);

// Writes a new database at basePath (".PXM" and ".PXI") holding db's live records in the
// order of their file-name entries, with db's password. An index too damaged to tell which
// records are live is refused before anything is written (PlanMainCopy). 1 or 0.
int BuildMainCopy(CPictureDatabase& db, const std::string& basePath,
                  IReconstructionProgress& progress);

// Before the database at path is opened: installs a finished index or main-file
// reconstruction left beside it ("Finished reconstructing file."). A rename that fails
// puts the files already renamed back, keeps the new files for the next try and shows
// the file error; 1 when nothing was pending or the swap completed, 0 otherwise.
int CompletePendingReconstruction(const std::string& path);
