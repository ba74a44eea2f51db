// CRecentFileList: the databases opened most recently, newest first, as the File menu lists
// them. The list keeps eight paths; it is read from and written to section "Recent File
// List" of the settings, values "File1" (newest) to "File8".
#pragma once

#include "collection/Settings.h"

#include <QString>

#include <string>
#include <vector>

class CRecentFileList {
public:
    static constexpr int maxEntries = 8;
    static constexpr int maxMenuTextLength = 30;

    // Replaces the list with the stored one; empty values are skipped.
    void Read(ISettings& settings);
    // Stores every entry; the values of unused places are written empty.
    void Write(ISettings& settings) const;

    // path becomes the newest entry; an equal path (compared exactly) is moved, not doubled,
    // and the oldest falls off a full list. An empty path is ignored.
    void Add(const std::string& path);
    // Takes path (compared exactly) off the list; the entries after it move up.
    void Remove(const std::string& path);

    int GetCount() const { return int(m_paths.size()); }
    // The path at index (0 = newest); empty when index is out of range.
    std::string GetPath(int index) const;

    // The menu item text of entry index: "&1 " ... "&8 " and the path shortened to
    // maxMenuTextLength characters, "&" doubled so it shows as itself.
    QString GetMenuText(int index) const;

    // path when it has at most maxLength characters; else the file name is kept whole and
    // the folder shortened, keeping its leading components, with "..." where the rest was
    // ("/home/.../HOLIDAY.PXM"). A file name too long by itself is cut and ends in "...".
    static QString ShortenPath(const QString& path, int maxLength);

private:
    std::vector<std::string> m_paths;
};
