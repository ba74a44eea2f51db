// The index side of the record operations: a record's entries, keyword entries, flagging
// entries as deleted, and positioning the cursor on a record.
#include "storage/PictureDatabase.h"

#include "platform/Text.h"

int CPictureDatabase::InsertEntry(const std::string& key, std::int32_t headBlock) {
    CIndexEntry entry;
    entry.flags = 0;
    entry.SetKey(key);
    entry.record = headBlock;
    return m_index.InsertKey(entry, true);
}

int CPictureDatabase::AddRecordEntries(const CRecordHead& head, std::int32_t headBlock) {
    for (const std::string& key : RecordKeys(head))
        if (!InsertEntry(key, headBlock))
            return 0;
    return 1;
}

int CPictureDatabase::AddKeywordEntry(std::string_view keyword, std::int32_t headBlock) {
    return InsertEntry(MakeKeywordKey(keyword), headBlock);
}

int CPictureDatabase::DeleteKeywordEntries(std::string_view keyword, std::int32_t headBlock) {
    return FlagEntries(MakeKeywordKey(keyword), headBlock);
}

int CPictureDatabase::FlagEntries(const std::string& key, std::int32_t headBlock) {
    std::int32_t i = m_index.FindFirstOrBefore(key, true);
    if (i < 0)
        return m_index.GetLastError() == 0 ? 1 : 0;
    const std::string folded = FoldLower(key);
    for (std::int32_t budget = m_index.EntryCount(); i != -1; --budget) {
        CIndexEntry entry;
        if (budget < 0 || !m_index.ReadEntry(entry, i))
            return 0;
        if (FoldLower(entry.Key()) != folded)
            break;
        if (entry.record == headBlock && !m_index.MarkDeleted(i))
            return 0;
        i = entry.next;
    }
    return 1;
}

int CPictureDatabase::DeleteRecord(std::int32_t headBlock, const CRecordHead& head) {
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        if (head.HasKeyword(slot) && !DeleteKeywordEntries(head.Keyword(slot), headBlock))
            return 0;
    return FlagEntries(MakeCrcKey(head.Crc()), headBlock) &&
                   FlagEntries(MakeDateKey(head.DateSaved()), headBlock) &&
                   FlagEntries(MakeNameKey(head.FileName()), headBlock) && Commit()
               ? 1
               : 0;
}

int CPictureDatabase::LocateRecord(std::int32_t headBlock) {
    CRecordHead head;
    if (!m_main.ReadHead(head, headBlock))
        return 0;
    std::string key;
    if (IsSearching())
        key = m_searchKey;
    else if (m_index.GetOrder() == OrderFamily::dateSaved)
        key = MakeDateKey(head.DateSaved());
    else
        key = MakeNameKey(head.FileName());

    std::int32_t i = m_index.FindFirstOrBefore(key, true);
    const std::string folded = FoldLower(key);
    for (std::int32_t budget = m_index.EntryCount(); i != -1 && budget >= 0; --budget) {
        CIndexEntry entry;
        if (!m_index.ReadEntry(entry, i) || FoldLower(entry.Key()) != folded)
            return 0;
        if (entry.record == headBlock) {
            m_index.SetCurrent(entry);
            return 1;
        }
        i = entry.next;
    }
    return 0;
}

int CPictureDatabase::CountRange(int& position, bool mark) {
    position = 0;
    CIndexEntry current;
    if (m_index.GetCurrentNumber() < 0 || !m_index.ReadEntry(current, m_index.GetCurrentNumber()))
        return 0;
    const std::string folded = FoldLower(current.Key());
    auto inRange = [&](const CIndexEntry& entry) {
        if (IsSearching())
            return FoldLower(entry.Key()) == folded;
        return !entry.Key().empty() && !current.Key().empty() && entry.Key()[0] == current.Key()[0];
    };
    if (mark)
        m_marks.Mark(current.record);

    // Walks one way from the current entry, counting the live entries of the range.
    auto walk = [&](bool forward) {
        int live = 0;
        std::int32_t i = forward ? current.next : current.previous;
        for (std::int32_t budget = m_index.EntryCount(); i != -1 && budget > 0; --budget) {
            CIndexEntry entry;
            if (!m_index.ReadEntry(entry, i) || !inRange(entry))
                break;
            if (!entry.IsDeleted()) {
                ++live;
                if (mark)
                    m_marks.Mark(entry.record);
            }
            i = forward ? entry.next : entry.previous;
        }
        return live;
    };
    position = walk(false);
    return position + 1 + walk(true);
}
