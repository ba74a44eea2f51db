// The 32,792-byte header of the index file: generation, modification count, format
// string and the skip table, with its encoding and the spacing of the skip slots.
#pragma once

#include "storage/IndexEntry.h"

#include <array>
#include <cstdint>

// The generation and the modification count are counters that wrap round as unsigned
// 32-bit values (WrapIncrement); the modification count is compared as unsigned.
struct CIndexHeader {
    std::int32_t generation = -1; // -1: not yet read
    std::int32_t modificationCount = 0;
    char format[12] = {};
    std::int32_t skipLength = 0;
    std::array<std::int32_t, IndexFormat::skipSlots> skip{};

    // The header of a new, empty index: generation 0, the format string, every slot -1.
    static CIndexHeader Empty();
};

// counter + 1, wrapping from 0xFFFFFFFF to 0 (and through 0x7FFFFFFF) as unsigned.
inline std::int32_t WrapIncrement(std::int32_t counter) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + 1u);
}

void EncodeIndexHeader(const CIndexHeader& header, std::uint8_t* out);
void DecodeIndexHeader(const std::uint8_t* in, CIndexHeader& header);

// Entries between skip slots for a list of `entries`: every 32nd, or wider spacing once
// the list outgrows the table (8191 x 32 entries), so that the slots never run out.
std::int32_t SkipStrideFor(std::int32_t entries);
