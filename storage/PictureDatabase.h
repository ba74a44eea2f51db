// CPictureDatabase: one open picture database, the pair of main file (".PXM") and index
// file (".PXI") with one base path, and every record-level operation the collection
// commands use. It also holds the search range and the mark list.
//
// Results: 1 for success, 0 for failure; block and entry numbers -1 for none. File errors
// have already been shown through the prompt when an operation fails.
//
// Durability: every operation that changes the database (a record added, a thumbnail
// stored, a deletion, a keyword change, a password set, a head written, a record copied,
// the files created) ends with Commit, so when it returns 1 its writes are on stable
// storage; a failed sync is a failed operation. While a CCommitBatch is open on the
// database, Commit leaves the sync to the batch: the change is then durable once the
// batch says so, and a failed sync of the batch takes back the adds it held. The building blocks
// below (the index entries of a record, keyword entries) leave that to their caller. The size
// GetDataSize writes into a head that lacks it can be computed again: it is synced with the next
// change.
#pragma once

#include "platform/File.h"
#include "storage/IndexFile.h"
#include "storage/MainFile.h"
#include "storage/MarkList.h"
#include "storage/Password.h"
#include "storage/RecordHead.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CCommitBatch;

class CPictureDatabase {
public:
    using Keywords = std::array<std::string, MainFormat::keywordCount>;

    CPictureDatabase() = default;
    CPictureDatabase(const CPictureDatabase&) = delete;
    CPictureDatabase& operator=(const CPictureDatabase&) = delete;

    // --- opening ---
    // Opens the pair named by path (either file or neither; the extension is ignored),
    // creating missing files: create 1 means the caller already agreed.
    int OpenDatabase(const std::string& path, bool create);

    // Closes both files; nothing needs writing, every change was written when made.
    void Close();

    // The end of a change: SyncFiles, or inside a batch what the batch decides
    // (CCommitBatch::Commit). 1, or 0 after the file error has been shown.
    int Commit();
    // Puts every write made so far on stable storage: fdatasync of the main file, then of
    // the index file, each only when it was written since its last sync (a read-only file
    // never is). 1, or 0 after the file error has been shown.
    int SyncFiles();
    // The open batch (CCommitBatch's constructor and destructor set it); nullptr for none.
    void SetBatch(CCommitBatch* batch) { m_batch = batch; }

    bool IsOpen() const { return m_main.IsOpen() && m_index.IsOpen(); }
    // Read-only only when both files had to be opened read-only.
    bool IsReadOnly() const { return m_main.IsReadOnly() && m_index.IsReadOnly(); }
    std::string GetMainPath() const { return m_main.GetPath(); }
    // The main file's path ("" when closed) and the file name in the current record's head
    // ("" when no record is current).
    void GetMainPathAndCurrentName(std::string& path, std::string& name);

    // --- records ---
    int AddRecord(CFile& pictureBytes, std::uint16_t crc, std::string_view sourcePath,
                  std::int32_t dateImageCreated, std::uint32_t width, std::uint32_t height,
                  const Keywords& keywords);
    // AddRecord and the new record's thumbnail as one change (one sync pair):
    // thumbnailStored false makes the picture its own thumbnail, true stores thumbnailBytes.
    //
    // An add (and a copy, CopyRecord) is all or nothing: when any part of it fails (the
    // record, one of its entries, the thumbnail, the sync), what it wrote is taken back,
    // the entries unlinked and cut off the index and the main file cut back to where it
    // ended, so that nothing is left that a later index reconstruction would turn into a
    // record the user was told had failed.
    int AddRecord(CFile& pictureBytes, std::uint16_t crc, std::string_view sourcePath,
                  std::int32_t dateImageCreated, std::uint32_t width, std::uint32_t height,
                  const Keywords& keywords, CFile* thumbnailBytes, bool thumbnailStored);
    // stored false makes the picture its own thumbnail; true stores thumbnailBytes.
    int SetThumbnail(CFile* thumbnailBytes, std::int32_t headBlock, bool stored);
    int ChangeKeywords(std::int32_t headBlock, const CRecordHead& oldHead, CRecordHead& newHead);
    // Flags every index entry of the record as deleted; the main file is not written.
    int DeleteRecord(std::int32_t headBlock, const CRecordHead& head);
    // Copies one record, thumbnail included, into target (the copy's date saved is now).
    int CopyRecord(std::int32_t headBlock, CPictureDatabase& target);
    // The picture bytes, checked against the head as CMainFile::ReadPicture does: a damaged
    // chain or picture fails with the file-error text shown.
    int ReadPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head);
    // 0 when the record has no thumbnail.
    int ReadThumbnail(CFile& destination, const CRecordHead& head);
    int ReadHead(CRecordHead& head, std::int32_t headBlock) {
        return m_main.ReadHead(head, headBlock);
    }
    int WriteHead(CRecordHead& head, std::int32_t headBlock);
    std::int64_t GetDataSize(std::int32_t headBlock) { return m_main.GetDataSize(headBlock); }
    // Loads the file at path into destination and computes its CRC; 0 when it cannot be read.
    static int ComputeCrc(CFile& destination, const std::string& path, std::uint16_t& crc);

    // --- index entries ---
    // The record's entries: CRC, date saved, file name, then each non-empty keyword.
    int AddRecordEntries(const CRecordHead& head, std::int32_t headBlock);
    int AddKeywordEntry(std::string_view keyword, std::int32_t headBlock);
    int DeleteKeywordEntries(std::string_view keyword, std::int32_t headBlock);
    // Makes the record's entry in the current order (or in the search range) current.
    int LocateRecord(std::int32_t headBlock);
    // Live entries of the current range around the current entry; position receives those
    // before it. With mark, every counted record is marked.
    int CountRange(int& position, bool mark);

    // --- password ---
    int GetPassword(std::string& text) { return m_main.GetPassword(text); }
    int SetPassword(std::string_view text);

    // --- search range (kept here; the search commands fill it) ---
    const std::string& GetSearchKey() const { return m_searchKey; }
    bool IsSearching() const { return !m_searchKey.empty(); }
    void SetSearch(std::string key, std::int32_t first, std::int32_t last);
    void EndSearch() { SetSearch({}, -1, -1); }
    std::int32_t GetSearchFirst() const { return m_searchFirst; }
    std::int32_t GetSearchLast() const { return m_searchLast; }

    CMarkList& Marks() { return m_marks; }
    CIndexFile& Index() { return m_index; }
    const CIndexFile& Index() const { return m_index; }
    CMainFile& Main() { return m_main; }

private:
    // Where the files ended before an add, to take it back (UndoAdd) when it fails.
    struct AddMark {
        CIndexFile::Savepoint index;
        std::int32_t mainBlocks = 0;
    };
    AddMark MarkAdd();
    // The end of an add: synced at once (a failed sync takes the add back, UndoAdd), or
    // handed to the open batch.
    int CommitAdd(const AddMark& mark, std::int32_t headBlock);
    // Best effort: the failure that caused it has been shown; the main file is only cut
    // back once no entry of the add names its record any more.
    void UndoAdd(const AddMark& mark);
    // AddRecord and SetThumbnail without the closing Commit, so that a copied record is
    // one change.
    int StoreRecord(CFile& pictureBytes, std::uint16_t crc, std::string_view sourcePath,
                    std::int32_t dateImageCreated, std::uint32_t width, std::uint32_t height,
                    const Keywords& keywords, std::int32_t& headBlock);
    int StoreThumbnail(CFile* thumbnailBytes, std::int32_t headBlock, bool stored);
    // Commit, then the folder's entries: a file just created must not vanish with a crash.
    int CommitCreated(const std::string& path);
    // Flags the entries with key whose record is headBlock.
    int FlagEntries(const std::string& key, std::int32_t headBlock);
    int InsertEntry(const std::string& key, std::int32_t headBlock);

    CIndexFile m_index;
    CMainFile m_main;
    std::string m_searchKey;
    std::int32_t m_searchFirst = -1;
    std::int32_t m_searchLast = -1;
    CMarkList m_marks;
    CCommitBatch* m_batch = nullptr;
};
