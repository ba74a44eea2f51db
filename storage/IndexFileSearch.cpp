// CIndexFile's positioned searches: the skip table narrows the walk to one stride of the
// list, which is then walked entry by entry.
#include "storage/IndexFile.h"

#include "platform/FileException.h"

using namespace IndexFormat;

int CIndexFile::StartSlot(std::string_view key, bool foldCase, bool firstOfEqual) {
    RefreshHeaderOrThrow();
    return m_skip.StartSlot(key, foldCase, firstOfEqual,
                            [this](std::int32_t i) { return std::string(Load(i).Key()); });
}

std::int32_t CIndexFile::FindInsertPositionOrThrow(std::string_view key, bool foldCase) {
    const int startSlot = StartSlot(key, foldCase, false);
    if (startSlot < 0)
        return -2;
    std::int32_t i = m_skip.At(startSlot);
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        CIndexEntry entry = Load(i);
        if (CompareKeys(entry.Key(), key, foldCase) > 0)
            return i;
        if (entry.next == -1)
            return -2;
        i = entry.next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindFloorOrThrow(std::string_view key, bool foldCase) {
    int s = StartSlot(key, foldCase, false);
    if (s < 0)
        return -1;
    std::int32_t i = m_skip.At(s);
    CIndexEntry entry = Load(i);
    const bool single = key.size() == 1;
    if (!single && CompareKeys(entry.Key(), key, foldCase) > 0)
        return entry.previous != -1 ? entry.previous : i;
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        bool above = CompareKeys(entry.Key(), key, foldCase) > 0;
        if (single && above)
            return i;
        if (entry.next == -1)
            return single ? -1 : i;
        CIndexEntry next = Load(entry.next);
        if (!single && CompareKeys(next.Key(), key, foldCase) > 0)
            return i;
        i = entry.next;
        entry = next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindFirstOrBeforeOrThrow(std::string_view key, bool foldCase) {
    int s = StartSlot(key, foldCase, true);
    if (s < 0)
        return -1;
    std::int32_t i = m_skip.At(s);
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        CIndexEntry entry = Load(i);
        int c = CompareKeys(entry.Key(), key, foldCase);
        if (c >= 0) {
            if (key.size() == 1 || c == 0)
                return i;
            return entry.previous != -1 ? entry.previous : i;
        }
        if (entry.next == -1)
            return i; // every entry is below key: the last one
        i = entry.next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindInsertPosition(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] { return FindInsertPositionOrThrow(key, foldCase); });
}

std::int32_t CIndexFile::FindFloor(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] { return FindFloorOrThrow(key, foldCase); });
}

std::int32_t CIndexFile::FindFirstOrBefore(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] { return FindFirstOrBeforeOrThrow(key, foldCase); });
}

std::int32_t CIndexFile::FindExact(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] {
        std::int32_t i = FindFloorOrThrow(key, foldCase);
        if (i < 0)
            return std::int32_t{-1};
        return CompareKeys(Load(i).Key(), key, foldCase) == 0 ? i : std::int32_t{-1};
    });
}
