// WriteJournal: an in-order record of everything the file layer changes on disk, so that a
// test can rebuild what a disk could hold after a power cut at any point of a command. It
// is off unless a test starts it, and then costs a test of one flag per file operation.
//
// While recording, CFile and the file-system functions append: each file opened (by inode,
// with whether the open created or emptied it), each write with its bytes, each length
// change, each successful sync of a file or a folder, each rename and removal. Tests add
// their own marks (Mark) between them, such as "this picture was reported stored".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace WriteJournal {

enum class Kind {
    open,       // file opened at path; created: the name is new; offset 0: emptied, -1: kept
    write,      // bytes at offset
    setLength,  // the file cut or extended to offset
    sync,       // the file's data is on stable storage
    syncFolder, // the names in folder path are on stable storage
    rename,     // path renamed to target
    unlink,     // path removed
    mark,       // a test's own note (path holds it)
};

struct Entry {
    Kind kind = Kind::mark;
    std::uint64_t file = 0; // inode; 0 for entries that name paths
    std::string path;
    std::string target;
    std::int64_t offset = 0;
    bool created = false;
    std::vector<std::uint8_t> bytes;
};

// Starts a fresh record; Stop ends recording and keeps the entries until the next Start.
void Start();
void Stop();
bool IsRecording();
const std::vector<Entry>& Entries();

// For the file layer and for tests; each does nothing unless recording.
void Append(Entry entry);
void Mark(const std::string& note);

} // namespace WriteJournal
