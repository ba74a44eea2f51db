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
// The name a build writes under until it is complete: name + "-building". Only a finished
// file takes its temporary name, so a build cut short is never swapped in.
std::string BuildingPath(const std::string& name);
// Deletes the files a build of the database at mainPath left under its building names
// when it did not finish (a killed process, a power cut). Only the process that holds the
// database for writing may call it: no other can be building then.
void RemoveUnfinishedBuilds(const std::string& mainPath);

// Writes a new index at path with the entries of every record head of db's main file,
// deleted records included, in block order. A head whose picture chain does not reach an
// end inside the file (CPictureChainWalk) is left out: it is what an interrupted add
// leaves, and its picture cannot be read. A complete chain keeps its record even when its
// bytes fail the CRC, its head's data size disagrees with it or one of its blocks has a
// damaged kind: the picture is damaged, readable, not unfinished; the integrity check
// reports it. 1 or 0 (the file error has been shown).
int BuildIndexFromMain(CPictureDatabase& db, const std::string& path,
                       IReconstructionProgress& progress);

// What a main-file reconstruction did.
struct MainCopyReport {
    std::int32_t copied = 0;
    std::int32_t notCopied = 0; // records that could not be read, each named in a message
    bool indexRebuilt = false;  // the records came from the main file, not from the index
};

// Writes a new database at basePath (".PXM" and ".PXI") holding db's live records in the
// order of their file-name entries, with db's password. It never holds fewer records than
// the main file holds complete ones: when the index is too damaged to tell which records
// are live (PlanMainCopy) or does not name every complete record of the main file, it
// says so and rebuilds the index from the main file first, copying every complete record
// in block order, deleted ones included. A record that cannot be read is named in a
// message and left out; all the others are copied. 1 when the new database was written
// (report tells what it holds), 0 after a file error.
int BuildMainCopy(CPictureDatabase& db, const std::string& basePath,
                  IReconstructionProgress& progress, MainCopyReport* report = nullptr);

// Before a reconstruction of the database at path (either file name or the base): when
// its main file's password field holds no password that can be typed (IsValidPasswordField),
// no one can open the database, so the user is asked whether to clear it; Yes stores the
// empty password and changes nothing else. 1 when it was cleared, 0 when nothing was
// changed (the field is valid, the answer was No, the main file is missing or held by
// another process), -1 after a file error (shown).
int ClearDamagedPassword(const std::string& path);

// Before the database at path is opened: installs a finished index or main-file
// reconstruction left beside it ("Finished reconstructing file."). A rename that fails
// puts the files already renamed back, keeps the new files for the next try and shows
// the file error; 1 when nothing was pending or the swap completed, 0 otherwise.
int CompletePendingReconstruction(const std::string& path);
