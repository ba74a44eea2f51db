// PxTiffMemory: a TIFF held in memory, opened for reading through libtiff's client I/O, so
// that pictures decode straight from the bytes a record or a file was read into and no
// temporary file is ever made. The bytes are borrowed and must outlive the object; the
// handle is closed with it. Every read, seek and mapping stays inside the bytes, and
// nothing is written to them.
#pragma once

#include <cstdint>
#include <span>

#include <tiffio.h>

class PxTiffMemory {
public:
    explicit PxTiffMemory(std::span<const std::uint8_t> bytes);
    ~PxTiffMemory();
    PxTiffMemory(const PxTiffMemory&) = delete;
    PxTiffMemory& operator=(const PxTiffMemory&) = delete;

    // The open read handle; null when libtiff could not read a TIFF header from the bytes.
    TIFF* Handle() const { return m_tif; }

private:
    static tmsize_t Read(thandle_t self, void* buffer, tmsize_t count);
    static tmsize_t Write(thandle_t self, void* buffer, tmsize_t count);
    static toff_t Seek(thandle_t self, toff_t offset, int whence);
    static int Close(thandle_t self);
    static toff_t Size(thandle_t self);
    static int Map(thandle_t self, void** base, toff_t* size);
    static void Unmap(thandle_t self, void* base, toff_t size);

    std::span<const std::uint8_t> m_bytes;
    std::uint64_t m_position = 0;
    TIFF* m_tif = nullptr;
};
