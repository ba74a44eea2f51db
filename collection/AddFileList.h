// CAddFileList: what the add-files browser decides, without a window: which files of a
// folder are listed (picture files by extension, GIF files only with their trailer, files
// already stored left out while duplicates are not saved), which of them lie on the page
// shown (pages of 12), which are selected, and the choice handed to the Add command.
#pragma once

#include "collection/AddDialogs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CPictureDatabase;

// One listed file.
struct CAddFileEntry {
    std::string name; // the file's name within the folder
    std::int64_t size = 0;
    int kind = 0;          // picture kind by extension: 1 JPEG, 2 BMP, 3 GIF, 4 TIFF
    bool selected = false; // chosen for adding
    int stored = -1;       // already stored: -1 not known yet, 1 yes (a no is not kept)
};

// True when db holds a live record whose file name equals name (letter case ignored, as
// the name key is cut) and whose picture data is size bytes long.
bool IsAlreadyStored(CPictureDatabase& db, std::string_view name, std::int64_t size);

class CAddFileList {
public:
    static constexpr int cellsPerPage = 12;
    // The list holds at most this many files; further files of a folder are not listed.
    static constexpr std::size_t maxFiles = 8192;

    // Called after each directory entry with the number searched and the number left out
    // as already stored.
    using Progress = std::function<void(int searched, int stored)>;

    // Replaces the list with the picture files that text names: text ending in "/" is a
    // folder and lists all its files; otherwise its last component is a pattern ("*" and
    // "?", letter case ignored), so a folder typed without its final "/" lists nothing but
    // its own entry, which is no picture. Files come in name order. With ignoreDuplicates,
    // files already stored in db are counted and left out (db may be null: nothing is
    // stored). Goes to page 0 with nothing selected.
    void List(std::string_view text, CPictureDatabase* db, bool ignoreDuplicates,
              const Progress& progress = {});

    // The folder of the last listing, with its final "/" ("" for none).
    const std::string& Folder() const { return m_folder; }
    int FileCount() const { return static_cast<int>(m_files.size()); }
    int SearchedCount() const { return m_searched; }
    int StoredCount() const { return m_storedCount; }
    // (file count - 1) / 12 + 1, 0 without files.
    int PageCount() const;
    int Page() const { return m_page; }
    bool CanGoPrevious() const { return m_page > 0; }
    bool CanGoNext() const { return m_page < PageCount() - 1; }
    // Turn the page; false (nothing changes) at either end.
    bool GoNext();
    bool GoPrevious();

    // The index of the file under cell (0 to 11) of the page shown; -1 for an empty cell.
    int FileAt(int cell) const;
    const CAddFileEntry& File(int index) const { return m_files[static_cast<std::size_t>(index)]; }
    std::string PathOf(int index) const { return m_folder + File(index).name; }

    // Toggles the selection of the file under cell; false for an empty cell.
    bool ToggleCell(int cell);
    // Toggles the selection of every file of the page shown (each one, not all alike).
    void TogglePage();
    // Whether the file is already stored; worked out now while it is not known yet.
    bool IsStored(int index, CPictureDatabase& db);

    // Every listed file, in list order, with its full path and whether it is selected.
    std::vector<CAddFileChoice> Choices() const;

private:
    std::string m_folder;
    std::vector<CAddFileEntry> m_files;
    int m_page = 0;
    int m_searched = 0;
    int m_storedCount = 0;
};
