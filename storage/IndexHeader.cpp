#include "storage/IndexHeader.h"

#include "platform/ByteOrder.h"

#include <cstring>

using namespace IndexFormat;

CIndexHeader CIndexHeader::Empty() {
    CIndexHeader header;
    header.generation = 0;
    std::memcpy(header.format, formatString, std::strlen(formatString) + 1);
    header.skip.fill(-1);
    return header;
}

void EncodeIndexHeader(const CIndexHeader& header, std::uint8_t* out) {
    PutLe32(out, header.generation);
    PutLe32(out + 4, header.modificationCount);
    std::memcpy(out + 8, header.format, sizeof header.format);
    PutLe32(out + 20, header.skipLength);
    for (int k = 0; k < skipSlots; ++k)
        PutLe32(out + 24 + 4 * k, header.skip[static_cast<std::size_t>(k)]);
}

void DecodeIndexHeader(const std::uint8_t* in, CIndexHeader& header) {
    header.generation = GetLe32(in);
    header.modificationCount = GetLe32(in + 4);
    std::memcpy(header.format, in + 8, sizeof header.format);
    header.skipLength = GetLe32(in + 20);
    for (int k = 0; k < skipSlots; ++k)
        header.skip[static_cast<std::size_t>(k)] = GetLe32(in + 24 + 4 * k);
}

std::int32_t SkipStrideFor(std::int32_t entries) {
    const std::int32_t capacity = (skipSlots - 1) * skipStride;
    if (entries <= capacity)
        return skipStride;
    return (entries - 1) / (skipSlots - 1) + 1;
}
