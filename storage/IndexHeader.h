// The 32,792-byte header of the index file: generation, modification count, format
// string and the skip table, with its encoding and the spacing of the skip slots.
#pragma once

#include "storage/IndexEntry.h"

#include <array>
#include <cstdint>

struct CIndexHeader {
    std::int32_t generation = -1; // -1: not yet read
    std::int32_t modificationCount = 0;
    char format[12] = {};
    std::int32_t skipLength = 0;
    std::array<std::int32_t, IndexFormat::skipSlots> skip{};

    // The header of a new, empty index: generation 0, the format string, every slot -1.
    static CIndexHeader Empty();
};

void EncodeIndexHeader(const CIndexHeader& header, std::uint8_t* out);
void DecodeIndexHeader(const std::uint8_t* in, CIndexHeader& header);

// Entries between skip slots for a list of `entries`: every 32nd, or wider spacing once
// the list outgrows the table (8191 x 32 entries), so that the slots never run out.
std::int32_t SkipStrideFor(std::int32_t entries);
