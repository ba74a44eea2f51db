#include "storage/PictureDatabase.h"

#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/CommitBatch.h"
#include "storage/Crc16.h"
#include "storage/Reconstruction.h"

#include <cerrno>
#include <vector>

int CPictureDatabase::OpenDatabase(const std::string& path, bool create) {
    const std::string base = StripExtension(path);
    const std::string mainPath = ResolveCaseInsensitive(base + ".PXM");
    const std::string indexPath = ResolveCaseInsensitive(base + ".PXI");

    bool mainIsNew = false;
    bool indexIsNew = false;
    if (FileExists(mainPath)) {
        if (!m_main.Open(mainPath, 0))
            return 0;
        // Holding the main file for writing, no other process can be building its files.
        if (!m_main.IsReadOnly())
            RemoveUnfinishedBuilds(mainPath);
    } else {
        if (!create) {
            if (!AskYesNo("File not found. Create?"))
                return 0;
            create = true;
        }
        if (!m_main.Create(mainPath, 0))
            return 0;
        mainIsNew = true;
    }

    if (FileExists(indexPath)) {
        if (!m_index.Open(indexPath, 0))
            return 0;
    } else {
        if (!create)
            return 0;
        if (!m_index.Create(indexPath, 0))
            return 0;
        indexIsNew = true;
        if (!mainIsNew)
            ShowMessage("Index file not found. Reconstruct from main.");
    }
    if (mainIsNew || indexIsNew)
        return CommitCreated(mainPath);
    return 1;
}

int CPictureDatabase::CommitCreated(const std::string& path) {
    if (!SyncFiles())
        return 0;
    if (!SyncFolder(GetFolder(path))) {
        ShowMessage(FileErrorText(FileCauseFromErrno(errno)));
        return 0;
    }
    return 1;
}

int CPictureDatabase::Commit() {
    if (!IsOpen())
        return 0;
    return m_batch ? m_batch->Commit() : SyncFiles();
}

int CPictureDatabase::SyncFiles() {
    if (!IsOpen())
        return 0;
    // The main file first: once the index is synced, every record its entries name is on
    // stable storage too.
    return m_main.Flush() && m_index.Flush() ? 1 : 0;
}

int CPictureDatabase::CommitAdd(const AddMark& mark, std::int32_t headBlock) {
    if (m_batch)
        return m_batch->CommitAdd(headBlock, mark.mainBlocks, [this, mark] { UndoAdd(mark); });
    if (SyncFiles())
        return 1;
    UndoAdd(mark);
    return 0;
}

void CPictureDatabase::Close() {
    m_index.Close();
    m_main.Close();
    EndSearch();
    m_marks.UnmarkAll();
}

void CPictureDatabase::GetMainPathAndCurrentName(std::string& path, std::string& name) {
    path = m_main.IsOpen() ? m_main.GetPath() : std::string();
    name.clear();
    std::int32_t record = m_index.GetCurrentRecord();
    if (record < 0 || !m_main.IsOpen())
        return;
    CRecordHead head;
    if (m_main.ReadHead(head, record))
        name = head.FileName();
}

void CPictureDatabase::SetSearch(std::string key, std::int32_t first, std::int32_t last) {
    m_searchKey = std::move(key);
    m_searchFirst = first;
    m_searchLast = last;
}

// --- records ---

int CPictureDatabase::ComputeCrc(CFile& destination, const std::string& path, std::uint16_t& crc) {
    crc = 0;
    CFile source;
    if (!source.Open(path, CFile::modeRead | CFile::shareDenyNone))
        return 0;
    try {
        std::vector<std::uint8_t> piece(16384);
        for (;;) {
            std::size_t n = source.Read(piece.data(), piece.size());
            destination.Write(piece.data(), n);
            crc = UpdateCrc16(crc, {piece.data(), n});
            if (n < piece.size())
                break;
        }
    } catch (const CFileException& e) {
        ShowMessage(FileErrorText(e.Cause()));
        return 0;
    }
    return 1;
}

CPictureDatabase::AddMark CPictureDatabase::MarkAdd() {
    return {m_index.MakeSavepoint(), m_main.BlockCount()};
}

void CPictureDatabase::UndoAdd(const AddMark& mark) {
    // The entries go first: while any of them is left it must name a record that exists.
    if (mark.mainBlocks > 0 && m_index.RollBack(mark.index))
        m_main.CutBack(mark.mainBlocks);
}

int CPictureDatabase::AddRecord(CFile& pictureBytes, std::uint16_t crc, std::string_view sourcePath,
                                std::int32_t dateImageCreated, std::uint32_t width,
                                std::uint32_t height, const Keywords& keywords) {
    if (!IsOpen())
        return 0;
    const AddMark mark = MarkAdd();
    std::int32_t headBlock = -1;
    if (StoreRecord(pictureBytes, crc, sourcePath, dateImageCreated, width, height, keywords,
                    headBlock))
        return CommitAdd(mark, headBlock);
    UndoAdd(mark);
    return 0;
}

int CPictureDatabase::AddRecord(CFile& pictureBytes, std::uint16_t crc, std::string_view sourcePath,
                                std::int32_t dateImageCreated, std::uint32_t width,
                                std::uint32_t height, const Keywords& keywords,
                                CFile* thumbnailBytes, bool thumbnailStored) {
    if (!IsOpen())
        return 0;
    const AddMark mark = MarkAdd();
    std::int32_t headBlock = -1;
    if (StoreRecord(pictureBytes, crc, sourcePath, dateImageCreated, width, height, keywords,
                    headBlock) &&
        StoreThumbnail(thumbnailBytes, headBlock, thumbnailStored))
        return CommitAdd(mark, headBlock);
    UndoAdd(mark);
    return 0;
}

int CPictureDatabase::StoreRecord(CFile& pictureBytes, std::uint16_t crc,
                                  std::string_view sourcePath, std::int32_t dateImageCreated,
                                  std::uint32_t width, std::uint32_t height,
                                  const Keywords& keywords, std::int32_t& headBlock) {
    if (!IsOpen())
        return 0;
    CRecordHead head;
    head.SetCrc(crc);
    head.SetFileName(GetFileName(sourcePath));
    head.SetDateSaved(CurrentTime32());
    head.SetDateImageCreated(dateImageCreated);
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        head.SetKeyword(slot, keywords[static_cast<std::size_t>(slot)]);
    std::int64_t length = 0;
    try {
        length = pictureBytes.GetLength();
    } catch (const CFileException& e) {
        ShowMessage(FileErrorText(e.Cause()));
        return 0;
    }
    head.SetDataSize(static_cast<std::uint32_t>(length));
    head.SetThumbnailBlock(0);
    head.SetWidth(width);
    head.SetHeight(height);

    if (!m_main.AppendRecord(pictureBytes, headBlock, head))
        return 0;
    return AddRecordEntries(head, headBlock);
}

int CPictureDatabase::SetThumbnail(CFile* thumbnailBytes, std::int32_t headBlock, bool stored) {
    if (!StoreThumbnail(thumbnailBytes, headBlock, stored))
        return 0;
    return Commit();
}

int CPictureDatabase::StoreThumbnail(CFile* thumbnailBytes, std::int32_t headBlock, bool stored) {
    if (stored) {
        if (!thumbnailBytes)
            return 0;
        return m_main.StoreThumbnailChain(*thumbnailBytes, headBlock);
    }
    CRecordHead head;
    if (!m_main.ReadHead(head, headBlock))
        return 0;
    head.SetThumbnailBlock(head.Next());
    return m_main.WriteHead(head, headBlock);
}

int CPictureDatabase::ReadPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head) {
    return m_main.ReadPicture(destination, headBlock, head);
}

int CPictureDatabase::ReadThumbnail(CFile& destination, const CRecordHead& head) {
    if (head.ThumbnailBlock() == 0)
        return 0;
    if (!m_main.CopyChain(destination, head.ThumbnailBlock()))
        return 0;
    destination.SeekToBegin();
    return 1;
}

namespace {
bool HasKeywordExact(const CRecordHead& head, const std::string& keyword) {
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        if (head.HasKeyword(slot) && head.Keyword(slot) == keyword)
            return true;
    return false;
}
} // namespace

int CPictureDatabase::ChangeKeywords(std::int32_t headBlock, const CRecordHead& oldHead,
                                     CRecordHead& newHead) {
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot) {
        if (!oldHead.HasKeyword(slot))
            continue;
        std::string keyword = oldHead.Keyword(slot);
        if (!HasKeywordExact(newHead, keyword) && !DeleteKeywordEntries(keyword, headBlock))
            return 0;
    }
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot) {
        if (!newHead.HasKeyword(slot))
            continue;
        std::string keyword = newHead.Keyword(slot);
        if (!HasKeywordExact(oldHead, keyword) && !AddKeywordEntry(keyword, headBlock))
            return 0;
    }
    if (!m_main.WriteHead(newHead, headBlock))
        return 0;
    return Commit();
}

int CPictureDatabase::WriteHead(CRecordHead& head, std::int32_t headBlock) {
    if (!m_main.WriteHead(head, headBlock))
        return 0;
    return Commit();
}

int CPictureDatabase::SetPassword(std::string_view text) {
    if (!m_main.SetPassword(text))
        return 0;
    return Commit();
}

int CPictureDatabase::CopyRecord(std::int32_t headBlock, CPictureDatabase& target) {
    CMemFile picture;
    CRecordHead head;
    if (!target.IsOpen() || !m_main.CopyPicture(picture, headBlock, head))
        return 0;
    CMemFile thumbnail;
    const bool ownThumbnail = head.ThumbnailBlock() == head.Next();
    const bool storedThumbnail = !ownThumbnail && head.ThumbnailBlock() != 0;
    if (storedThumbnail && !m_main.CopyChain(thumbnail, head.ThumbnailBlock()))
        return 0;
    Keywords keywords;
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        keywords[static_cast<std::size_t>(slot)] = head.Keyword(slot);
    // The record and its thumbnail are one change: one Commit of the target at the end,
    // and a copy that cannot be completed is taken back whole.
    const AddMark mark = target.MarkAdd();
    std::int32_t copy = -1;
    if (target.StoreRecord(picture, head.Crc(), head.FileName(), head.DateImageCreated(),
                           head.Width(), head.Height(), keywords, copy) &&
        (!(ownThumbnail || storedThumbnail) ||
         target.StoreThumbnail(storedThumbnail ? &thumbnail : nullptr, copy, storedThumbnail))) {
        if (!target.CommitAdd(mark, copy))
            return 0;
        // The copy becomes the target's current entry, as after an add.
        CIndexFile& targetIndex = target.Index();
        return targetIndex.GoTo(targetIndex.GetLastInserted());
    }
    target.UndoAdd(mark);
    return 0;
}
