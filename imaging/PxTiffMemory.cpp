#include "imaging/PxTiffMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
PxTiffMemory& Self(thandle_t self) {
    return *static_cast<PxTiffMemory*>(self);
}
} // namespace

PxTiffMemory::PxTiffMemory(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {
    m_tif = TIFFClientOpen("picture", "r", static_cast<thandle_t>(this), Read, Write, Seek, Close,
                           Size, Map, Unmap);
}

PxTiffMemory::~PxTiffMemory() {
    if (m_tif)
        TIFFClose(m_tif);
}

tmsize_t PxTiffMemory::Read(thandle_t self, void* buffer, tmsize_t count) {
    PxTiffMemory& memory = Self(self);
    if (count <= 0 || memory.m_position >= memory.m_bytes.size())
        return 0;
    const std::uint64_t left = memory.m_bytes.size() - memory.m_position;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, count));
    std::memcpy(buffer, memory.m_bytes.data() + memory.m_position, n);
    memory.m_position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t PxTiffMemory::Write(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t PxTiffMemory::Seek(thandle_t self, toff_t offset, int whence) {
    PxTiffMemory& memory = Self(self);
    // Span sizes fit a signed 64-bit number; relative offsets arrive as two's complement
    // in the unsigned type.
    const auto size = static_cast<std::int64_t>(memory.m_bytes.size());
    std::int64_t target = 0;
    if (whence == SEEK_SET) {
        if (offset > static_cast<std::uint64_t>(size))
            return static_cast<toff_t>(-1);
        target = static_cast<std::int64_t>(offset);
    } else {
        const std::int64_t base =
            whence == SEEK_CUR ? static_cast<std::int64_t>(memory.m_position) : size;
        if ((whence != SEEK_CUR && whence != SEEK_END) ||
            __builtin_add_overflow(base, static_cast<std::int64_t>(offset), &target))
            return static_cast<toff_t>(-1);
    }
    // Past the end there is nothing to read: the seek fails, as the read after it would.
    if (target < 0 || target > size)
        return static_cast<toff_t>(-1);
    memory.m_position = static_cast<std::uint64_t>(target);
    return memory.m_position;
}

int PxTiffMemory::Close(thandle_t) {
    return 0;
}

toff_t PxTiffMemory::Size(thandle_t self) {
    return Self(self).m_bytes.size();
}

int PxTiffMemory::Map(thandle_t self, void** base, toff_t* size) {
    PxTiffMemory& memory = Self(self);
    if (memory.m_bytes.empty())
        return 0;
    // libtiff never writes to a mapping opened for reading (its own file mapping is
    // read-only), so the borrowed bytes stay as they are.
    *base = const_cast<std::uint8_t*>(memory.m_bytes.data());
    *size = memory.m_bytes.size();
    return 1;
}

void PxTiffMemory::Unmap(thandle_t, void*, toff_t) {}
