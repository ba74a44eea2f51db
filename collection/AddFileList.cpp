#include "collection/AddFileList.h"

#include "collection/GifCheck.h"
#include "collection/PicdexDoc.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/PathInfo.h"
#include "storage/PictureDatabase.h"

#include <algorithm>

bool IsAlreadyStored(CPictureDatabase& db, std::string_view name, std::int64_t size) {
    if (!db.IsOpen())
        return false;
    CIndexFile& index = db.Index();
    const std::int32_t found = index.FindExact(MakeNameKey(name), true);
    CIndexEntry entry;
    if (found < 0 || !index.ReadEntry(entry, found) || entry.IsDeleted())
        return false;
    return db.GetDataSize(entry.record) == size;
}

void CAddFileList::List(std::string_view text, CPictureDatabase* db, bool ignoreDuplicates,
                        const Progress& progress) {
    m_files.clear();
    m_page = 0;
    m_searched = 0;
    m_storedCount = 0;
    // The folder part keeps its final "/"; the rest is the pattern, "*.*" when empty.
    const std::size_t slash = text.rfind('/');
    m_folder =
        slash == std::string_view::npos ? std::string() : std::string(text.substr(0, slash + 1));
    std::string pattern(slash == std::string_view::npos ? text : text.substr(slash + 1));
    if (pattern.empty())
        pattern = "*.*";
    if (text.empty())
        return;

    std::vector<FolderEntry> entries;
    if (!ListFolder(m_folder.empty() ? "." : m_folder, entries))
        return;
    for (const FolderEntry& entry : entries) {
        const std::string& name = entry.name;
        if (!MatchesFilePattern(pattern, name))
            continue;
        ++m_searched;
        // Folders (and anything else that is no regular file) have no picture kind.
        const bool regular = entry.info.kind == PathKind::regular;
        int kind = regular ? CPicdexDoc::PictureKindOf(name) : 0;
        const std::string path = m_folder + name;
        if (kind == imageGif && CheckGifFile(path) != GifCheck::yes)
            kind = 0;
        const std::int64_t size = kind != 0 ? entry.info.size : 0;
        if (kind != 0 && ignoreDuplicates && db && IsAlreadyStored(*db, name, size)) {
            kind = 0;
            ++m_storedCount;
        }
        if (kind != 0 && m_files.size() < maxFiles)
            m_files.push_back({name, size, kind, false, -1});
        if (progress)
            progress(m_searched, m_storedCount);
    }
    // The directory's own order means nothing to the user; names are what they look for.
    std::sort(m_files.begin(), m_files.end(),
              [](const CAddFileEntry& a, const CAddFileEntry& b) { return a.name < b.name; });
}

int CAddFileList::PageCount() const {
    return m_files.empty() ? 0 : (FileCount() - 1) / cellsPerPage + 1;
}

bool CAddFileList::GoNext() {
    if (!CanGoNext())
        return false;
    ++m_page;
    return true;
}

bool CAddFileList::GoPrevious() {
    if (!CanGoPrevious())
        return false;
    --m_page;
    return true;
}

int CAddFileList::FileAt(int cell) const {
    if (cell < 0 || cell >= cellsPerPage)
        return -1;
    const int index = m_page * cellsPerPage + cell;
    return index < FileCount() ? index : -1;
}

bool CAddFileList::ToggleCell(int cell) {
    const int index = FileAt(cell);
    if (index < 0)
        return false;
    CAddFileEntry& file = m_files[static_cast<std::size_t>(index)];
    file.selected = !file.selected;
    return true;
}

void CAddFileList::TogglePage() {
    for (int cell = 0; cell < cellsPerPage; ++cell)
        ToggleCell(cell);
}

bool CAddFileList::IsStored(int index, CPictureDatabase& db) {
    CAddFileEntry& file = m_files[static_cast<std::size_t>(index)];
    if (file.stored < 0 && IsAlreadyStored(db, file.name, file.size))
        file.stored = 1;
    return file.stored == 1;
}

std::vector<CAddFileChoice> CAddFileList::Choices() const {
    std::vector<CAddFileChoice> choices;
    choices.reserve(m_files.size());
    for (const CAddFileEntry& file : m_files)
        choices.push_back({m_folder + file.name, file.selected});
    return choices;
}
