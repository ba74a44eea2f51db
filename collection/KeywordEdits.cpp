#include "collection/KeywordEdits.h"

#include "collection/PicdexDoc.h"
#include "platform/FileException.h"
#include "platform/Prompt.h"

int WriteKeywordEdits(CPicdexDoc& doc, const CPictureDatabase::Keywords& keywords) {
    CPictureDatabase& db = doc.Database();
    if (!db.IsOpen())
        return -1;
    CIndexFile& index = db.Index();
    const std::int32_t number = index.GetCurrentNumber();
    const std::int32_t record = index.GetCurrentRecord();
    if (number < 0 || record < 0)
        return -1;
    auto fail = [] {
        ShowMessage(keywordsNotSavedMessage);
        return 0;
    };
    // The entry is read again: a record deleted meanwhile must not get live keyword
    // entries back.
    CIndexEntry current;
    if (!index.ReadEntry(current, number))
        return fail();
    if (current.IsDeleted())
        return -1;
    CRecordHead oldHead;
    if (!db.ReadHead(oldHead, record))
        return fail();
    CRecordHead newHead = oldHead;
    for (std::size_t slot = 0; slot < keywords.size(); ++slot)
        newHead.SetKeyword(static_cast<int>(slot), keywords[slot]);
    if (newHead == oldHead)
        return 1;
    if (db.IsReadOnly()) {
        ShowMessage(FileErrorText(FileCause::accessDenied));
        return fail();
    }
    if (!db.ChangeKeywords(record, oldHead, newHead))
        return fail();
    return 1;
}
