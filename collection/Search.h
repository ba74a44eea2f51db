// Finding pictures: the keyword search, which narrows the list to the records carrying a
// keyword (a range of the index's keyword family), the file-name search, which keeps the
// full list by name and jumps into it, the keyword list with the number of records behind
// each keyword, and marking every record of a search.
//
// The search window, the "List of keywords" dialog and the view around them are reached
// through ISearchWindow, IKeywordListDialog and IListView, which the Qt layer implements
// and tests script. Messages go through the prompt.
#pragma once

#include "collection/Settings.h"
#include "collection/Sorting.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CPicdexDoc;
class CPictureDatabase;

inline constexpr const char* dataNotFoundMessage = "Data not found";
inline constexpr const char* notSearchedMessage = "Apply this command after pics are searched.";

// The highest threshold each caller of the keyword list falls back to: the search window,
// the "Save" dialog and the data-properties keyword window stop at 2, the "List of keywords"
// dialog at 3.
inline constexpr int searchWindowThresholdLimit = 2;
inline constexpr int keywordDialogThresholdLimit = 3;

class ISearchWindow {
public:
    virtual ~ISearchWindow() = default;
    // The "&Keyword" edit field.
    virtual std::string GetSearchText() = 0;
    virtual void SetSearchText(const std::string& text) = 0;
    // The "Search by &file name" check box.
    virtual bool IsFileNameSearch() = 0;
};

class IKeywordListDialog {
public:
    virtual ~IKeywordListDialog() = default;
    // Shows lines with the line at selected chosen; true when the user confirmed, with
    // selected then the chosen line's index or -1 when no line is selected.
    virtual bool ChooseKeyword(const std::vector<std::string>& lines, int& selected) = 0;
};

// Narrows the list to the entries whose key equals key ("@" and a keyword, letter case
// ignored) and shows the first live one. False, after "Data not found", when no stored key
// equals key (nothing changes) or every record of the range is deleted (back to the full
// list by name, no picture); false without a message for an empty key.
bool SearchKeyword(CPicdexDoc& doc, std::string_view key);

// Shows the first live entry of the name family whose key ("!" and a name) folded to lower
// case equals or sorts after key; past the last name it stays on the last one. Gives that
// entry's number, or -1 when the index has no live name entry or cannot be read.
std::int32_t FindFileName(CPicdexDoc& doc, std::string_view key);

// Replaces lines with the keyword list: one "%s [%d]" line per run of keys equal byte for
// byte (letter case counts), in key order, for the runs of more than minimumCount live
// entries. False when a line would have made more than capacity lines (the list then holds
// the lines before it).
bool FillKeywordList(CPictureDatabase& db, std::vector<std::string>& lines, std::size_t capacity,
                     int minimumCount);
// Fills with the thresholds 0, 1, ... thresholdLimit until one fits; the last try stays
// in lines whatever its result, which is returned.
bool FillKeywordListRising(CPictureDatabase& db, std::vector<std::string>& lines,
                           std::size_t capacity, int thresholdLimit);
// The keyword of a keyword-list line: the text before the blank and bracketed count.
std::string KeywordOfLine(std::string_view line);

// Marks every live record of the search range, the current one first, from a fresh mark
// list; marks past the limit are silently not made. Without a search in force it shows
// notSearchedMessage and does nothing else.
void MarkSearched(CPicdexDoc& doc, IListView& view);

// The search window's "&Search": a file-name search (full list by name, marks cleared) or
// a keyword search (search result, marks cleared on success), then the view refreshed.
// An empty text does nothing.
void RunSearch(CPicdexDoc& doc, ISearchWindow& window, IListView& view);

// The "List of keywords" dialog, filled with thresholds up to 3 into capacity lines and
// opened on the line stored in "KeyListAt"; a confirmed line is stored there, put into
// the search window when there is one (window may be null), and searched for.
void OpenKeywordList(CPicdexDoc& doc, IKeywordListDialog& dialog, ISearchWindow* window,
                     IListView& view, ISettings& settings, std::size_t capacity);
