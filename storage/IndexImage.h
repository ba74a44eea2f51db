// CIndexImage: the index writer's copy of the entries in memory (the file's bytes from
// offset 32,792 on) and the next link of each, for walks that need nothing else. Only the
// process that holds the file for writing keeps one: no other process can change the
// file under it. Entries past a memory cap are not held; the file is then read entry by
// entry for as long as it stays open.
#pragma once

#include "platform/File.h"
#include "storage/IndexEntry.h"

#include <cstdint>
#include <vector>

class CIndexImage {
public:
    // Reads every whole entry of file. Past the cap nothing is read and the image stays
    // unloaded (IsTooLarge). Throws the file's exception, or "Reached end of file" for a
    // short read.
    void Load(CFile& file);
    // Holds no entries, as for a file just created.
    void LoadEmpty();
    // Drops the entries (after a failed write their bytes are not known); the cap's verdict
    // stays for the open file.
    void Forget();
    // Drops everything, the cap's verdict with it (the file is closed).
    void Reset();

    bool IsLoaded() const { return m_loaded; }
    bool IsTooLarge() const { return m_tooLarge; }
    std::int32_t Count() const;
    // Entry i decoded, with its number; throws "Reached end of file" past the entries.
    CIndexEntry Entry(std::int32_t i) const;
    // Entry i's next link; throws "Bad seek" for a negative i, "Reached end of file" past
    // the entries.
    std::int32_t NextLink(std::int32_t i) const;
    // Takes the 52 bytes just written as entry i (whose next link is next), growing the
    // image when i lies past its end.
    void Store(std::int32_t i, const std::uint8_t* bytes, std::int32_t next);

private:
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::int32_t> m_nextLinks;
    bool m_loaded = false;
    bool m_tooLarge = false;
};
