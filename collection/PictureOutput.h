// Output of stored pictures to a folder: every record of the current list, or every marked
// record, written as a file with its stored name, its stored bytes unchanged and the
// last-write time its source file had when it was added.
#pragma once

#include <functional>
#include <string>

class CPicdexDoc;

// The output dialog ("Output all the data"): the folder to write into. False on Cancel.
class IOutputFolderDialog {
public:
    virtual ~IOutputFolderDialog() = default;
    virtual bool AskOutputFolder(std::string& folder) = 0;
};

// True when path names an existing folder.
bool IsFolder(const std::string& path);

// The folder as the commands use it: with its final "/" ("" becomes "/").
std::string OutputFolderOf(const std::string& typed);

// What an output did: the files written (-1 when the command ended before writing) and
// the pictures it could not write (a damaged record, a failed write; each said why). A
// walk of the list that stopped before its end (damage in the index) counts as one more
// failure, after "Unknown error" or the file error that stopped it. A file the user chose
// not to overwrite is neither.
struct COutputResult {
    int written = -1;
    int failed = 0;
};

// Called as the output goes on, once for each picture, with the number of pictures dealt
// with so far (written, refused or failed); the windows show it and keep painting.
using OutputProgress = std::function<void(int done)>;

// The commands: the dialog, "Invalid folder" for a folder that does not exist, the
// pictures, then "Output %d picture files.".
COutputResult OutputAll(CPicdexDoc& doc, IOutputFolderDialog& dialog,
                        const OutputProgress& progress = {});
COutputResult OutputMarked(CPicdexDoc& doc, IOutputFolderDialog& dialog,
                           const OutputProgress& progress = {});

// The writing alone, into folder (ending in "/"). Walks the current list from its top, or
// the marks in marking order; a mark whose record is not in the current list is skipped.
// An existing file is replaced only after "File already exists. Overwrite?" is answered
// Yes.
COutputResult OutputList(CPicdexDoc& doc, const std::string& folder,
                         const OutputProgress& progress = {});
COutputResult OutputMarks(CPicdexDoc& doc, const std::string& folder,
                          const OutputProgress& progress = {});
