// CIndexBuilder: builds a whole index file at once from keys given in insertion order.
// The file is byte for byte the one that inserting the keys one by one into an empty index
// would leave (entry numbers, links, header generation, modification count and skip
// table included), but it is computed by sorting instead of walking the list for every
// key, so rebuilding the index of a large database takes a fraction of a second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CIndexBuilder {
public:
    // Adds the next entry, as InsertKey with case folding would insert it.
    void Add(std::string_view key, std::int32_t record);
    std::size_t Size() const { return m_records.size(); }

    // The bytes of the finished file.
    std::vector<std::uint8_t> Build() const;
    // Creates the file at path (read-write, deny-write), writes it and syncs it to stable
    // storage before closing it; a file error is shown through the prompt and gives 0.
    int Write(const std::string& path) const;

private:
    std::vector<std::string> m_keys;   // as stored: at most 31 bytes
    std::vector<std::string> m_folded; // the same, letters folded for comparison
    std::vector<std::int32_t> m_records;
};
