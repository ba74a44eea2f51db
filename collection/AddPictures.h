// CAddPictures: the Add command. It takes picture files one by one, reads each whole file
// into memory with its checksum, finds out whether the same data is already stored, asks
// for keywords, stores the record in the document's database, makes its thumbnail from the
// picture already decoded and leaves the new record current. Files dropped on the view go
// through AddFile the same way.
//
// One object serves one command: it holds the duplicates setting for the command's length,
// a copy of the view's "IgnoreDuply" that "Do not save &ANY duplicated data" switches on
// for the rest of the command only. Messages go through the prompt; dialogs and windows
// through IAddDialogs and IAddWindows.
#pragma once

#include "collection/AddDialogs.h"
#include "storage/PictureDatabase.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CCommitBatch;
class CFile;
class CPicdexDoc;

class CAddPictures {
public:
    using Keywords = CPictureDatabase::Keywords;

    CAddPictures(CPicdexDoc& doc, IAddDialogs& dialogs, IAddWindows& windows,
                 bool ignoreDuplicates);

    // The command: the browser, then every chosen file in list order until one is refused
    // for lack of free space or the "Save" dialog is cancelled; ends at the bottom of the
    // list. False when the browser was not confirmed (nothing happened).
    bool AddPictures();

    // The free-space test before a file is stored: the main file's disk must hold three
    // times the file's size. False after "Cannot save. Not enough hard drive free space.".
    bool HasRoomFor(const std::string& path);

    // Stores one file. fileCount is the length of the list the file came from; saveAll,
    // minimized, keywords and cancel are the command's state, carried from file to file.
    // True when the file was stored (the new record is then current).
    bool AddFile(const std::string& path, int fileCount, bool& saveAll, bool& minimized,
                 Keywords& keywords, bool& cancel);

    // Decodes stream (the bytes of path) and asks whether to store it although the same
    // data is stored; deleted says that stored record is deleted. True to store it anyway;
    // dontSaveAny is set by "Do not save &ANY duplicated data". False without asking when
    // the file cannot be decoded.
    bool ConfirmDuplicate(CFile& stream, const std::string& path, bool& dontSaveAny, bool deleted);

    bool IgnoresDuplicates() const { return m_ignoreDuplicates; }
    // The head blocks of the records stored by this object and on stable storage, in order.
    // The Add command stores the pictures of a row in batches (CCommitBatch): each is
    // told to IAddWindows::PicturesStored when its batch is synced.
    const std::vector<std::int32_t>& StoredRecords() const { return m_stored; }
    // Files the command was asked to store and could not: each failure has shown its
    // message, except a GIF too damaged or degenerate to make a record, which the Add
    // command skips silently (listed by SkippedFiles). A file left out by the user's
    // choice (not saved, a duplicate declined, the command cancelled) is no failure.
    int Failures() const { return m_failures; }
    const std::vector<std::string>& SkippedFiles() const { return m_skipped; }

private:
    // The duplicate test and its dialog; true when the file goes on to be stored.
    bool PassesDuplicateTest(CFile& stream, std::uint16_t crc, const std::string& path,
                             bool minimized);
    // Makes the record the add inserted last current; outside a batch it is stored now.
    void RememberNewRecord();
    // The batch's report: records now durable (noted and told to the windows), or taken
    // back (counted as failures, with "Failed to add").
    void BatchSynced(bool synced, std::span<const std::int32_t> records);
    // Syncs the open batch before a dialog waits for the user.
    void SyncBeforeAsking();

    CPicdexDoc& m_doc;
    IAddDialogs& m_dialogs;
    IAddWindows& m_windows;
    bool m_ignoreDuplicates;
    CCommitBatch* m_batch = nullptr; // open while AddPictures runs
    bool m_adding = false;           // inside the database's add
    std::vector<std::int32_t> m_stored;
    int m_failures = 0;
    std::vector<std::string> m_skipped;
};
