#include "collection/Search.h"

#include "collection/PicdexDoc.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr const char* optionsSection = "Options";
constexpr const char* keyListAtKey = "KeyListAt";

bool HasFamily(const CIndexEntry& entry, char family) {
    return !entry.Key().empty() && entry.Key()[0] == family;
}

// The last entry whose key equals key (folded), searching back from the entry found for
// key followed by a blank; first is known to equal key. -1 when the index cannot be read.
std::int32_t LastOfRange(CIndexFile& index, std::string_view key, std::int32_t first) {
    const std::string folded = FoldLower(key);
    std::int32_t i = index.FindFirstOrBefore(std::string(key) + " ", true);
    // A stored key may continue with a blank or a control character; those lie between the
    // equal keys and the one searched for, so walk back over them.
    for (std::int32_t budget = index.EntryCount(); i >= 0 && budget >= 0; --budget) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return -1;
        if (FoldLower(entry.Key()) == folded || i == first)
            return i;
        i = entry.previous;
    }
    return -1;
}

// The first live entry of the name family from entry i on, wrapping from the family's last
// entry to its first; -1 when none is live or the index cannot be read.
std::int32_t FirstLiveName(CIndexFile& index, std::int32_t i, CIndexEntry& entry) {
    const std::int32_t start = i;
    std::int32_t budget = std::max<std::int32_t>(index.EntryCount(), 0) + 1;
    while (budget-- > 0) {
        if (!index.ReadEntry(entry, i))
            return -1;
        if (!entry.IsDeleted())
            return i;
        std::int32_t next = entry.next;
        CIndexEntry following;
        if (next < 0 || !index.ReadEntry(following, next) ||
            !HasFamily(following, IndexFormat::nameFamily))
            next = index.FindFloor(std::string(1, IndexFormat::nameFamily), false);
        if (next < 0 || next == start)
            return -1;
        i = next;
    }
    return -1;
}

// The line stored in "KeyListAt", or 0 when that is not a line of a list of count lines.
int StoredLineIndex(ISettings& settings, std::size_t count) {
    const std::string text = settings.GetProfileString(optionsSection, keyListAtKey, "0");
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        static_cast<std::size_t>(value) >= count)
        return 0;
    return value;
}

} // namespace

bool SearchKeyword(CPicdexDoc& doc, std::string_view key) {
    if (key.empty())
        return false;
    CPictureDatabase& db = doc.Database();
    CIndexFile& index = db.Index();
    const std::int32_t first = index.FindFirstOrBefore(key, true);
    CIndexEntry entry;
    // Without an equal key the entry found belongs to another keyword, or to another family:
    // showing it as the result would be wrong, so the search finds nothing.
    if (first < 0 || !index.ReadEntry(entry, first) || !EqualsFolded(entry.Key(), key)) {
        ShowMessage(dataNotFoundMessage);
        if (first < 0)
            doc.ClearPicture(); // the index has no entry at all
        return false;
    }
    const std::int32_t last = LastOfRange(index, key, first);
    if (last < 0)
        return false;
    db.SetSearch(std::string(key), first, last);
    index.SetOrder(OrderFamily::keyword);
    // The move to the top skips deleted entries inside the range and, when all of them
    // are, shows "Data not found" and returns to the full list by name.
    return doc.GoTop();
}

std::int32_t FindFileName(CPicdexDoc& doc, std::string_view key) {
    CIndexFile& index = doc.Database().Index();
    std::int32_t i = index.FindFirstOrBefore(key, true);
    CIndexEntry entry;
    if (i < 0 || !index.ReadEntry(entry, i))
        return -1;
    if (!HasFamily(entry, IndexFormat::nameFamily)) {
        // The text sorts below every name: the first name is the first one after it.
        i = index.FindFloor(std::string(1, IndexFormat::nameFamily), false);
        if (i < 0)
            return -1;
    } else if (!EqualsFolded(entry.Key(), key) && entry.next >= 0) {
        // The entry found is the last name below the text; the one after it is the first
        // name at or after it, unless the text sorts above every name.
        CIndexEntry next;
        if (!index.ReadEntry(next, entry.next))
            return -1;
        if (HasFamily(next, IndexFormat::nameFamily))
            i = entry.next;
    }
    i = FirstLiveName(index, i, entry);
    if (i < 0)
        return -1;
    doc.ShowEntry(entry);
    return i;
}

bool FillKeywordList(CPictureDatabase& db, std::vector<std::string>& lines, std::size_t capacity,
                     int minimumCount) {
    lines.clear();
    CIndexFile& index = db.Index();
    std::string run;
    int count = 0;
    auto addRun = [&] {
        if (count <= minimumCount)
            return true;
        if (lines.size() >= capacity)
            return false;
        char number[16];
        std::snprintf(number, sizeof number, " [%d]", count);
        lines.push_back(run.substr(1) + number);
        return true;
    };
    std::int32_t i = index.FindFloor(std::string(1, IndexFormat::keywordFamily), false);
    for (std::int32_t budget = index.EntryCount(); i >= 0 && budget > 0; --budget) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i) || !HasFamily(entry, IndexFormat::keywordFamily))
            break;
        if (!entry.IsDeleted()) {
            if (entry.Key() != run) {
                if (!addRun())
                    return false;
                run = entry.Key();
                count = 0;
            }
            ++count;
        }
        i = entry.next;
    }
    return addRun();
}

bool FillKeywordListRising(CPictureDatabase& db, std::vector<std::string>& lines,
                           std::size_t capacity, int thresholdLimit) {
    bool filled = false;
    for (int threshold = 0; threshold <= thresholdLimit && !filled; ++threshold)
        filled = FillKeywordList(db, lines, capacity, threshold);
    return filled;
}

std::string KeywordOfLine(std::string_view line) {
    std::size_t bracket = line.rfind('[');
    if (bracket == std::string_view::npos)
        return std::string(line);
    line = line.substr(0, bracket);
    if (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);
    return std::string(line);
}

void MarkSearched(CPicdexDoc& doc, IListView& view) {
    CPictureDatabase& db = doc.Database();
    if (!db.IsSearching()) {
        ShowMessage(notSearchedMessage);
        return;
    }
    db.Marks().UnmarkAll();
    int position = 0;
    db.CountRange(position, true);
    view.Repaint();
}

void RunSearch(CPicdexDoc& doc, ISearchWindow& window, IListView& view) {
    view.CommitPendingEdits();
    const std::string text = window.GetSearchText();
    if (text.empty())
        return;
    if (window.IsFileNameSearch()) {
        view.SetListMode(ListMode::byName);
        ClearAllMarks(doc, view);
        doc.ShowAll(OrderFamily::fileName, true);
        // Stored names are cut, so the text is cut the same way to find its own name.
        if (FindFileName(doc, MakeNameKey(text)) < 0)
            return;
    } else {
        if (!SearchKeyword(doc, MakeKeywordKey(text)))
            return;
        view.SetListMode(ListMode::searchResult);
        ClearAllMarks(doc, view);
    }
    view.RefreshView();
}

void OpenKeywordList(CPicdexDoc& doc, IKeywordListDialog& dialog, ISearchWindow* window,
                     IListView& view, ISettings& settings, std::size_t capacity) {
    view.CommitPendingEdits();
    std::vector<std::string> lines;
    FillKeywordListRising(doc.Database(), lines, capacity, keywordDialogThresholdLimit);
    int chosen = StoredLineIndex(settings, lines.size());
    if (!dialog.ChooseKeyword(lines, chosen))
        return;
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= lines.size())
        return;
    settings.WriteProfileString(optionsSection, keyListAtKey, std::to_string(chosen));
    const std::string keyword = KeywordOfLine(lines[static_cast<std::size_t>(chosen)]);
    if (window)
        window->SetSearchText(keyword);
    if (!SearchKeyword(doc, MakeKeywordKey(keyword)))
        return;
    view.SetListMode(ListMode::searchResult);
    ClearAllMarks(doc, view);
    view.RefreshView();
}
