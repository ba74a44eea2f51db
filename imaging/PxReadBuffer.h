// PxReadBuffer: the buffered reader the decoders use over an image's file: a block of
// up to `capacity` bytes is read at a time and handed out piece by piece.
//
// Read semantics: with no buffer open it reads straight from the file. When more bytes
// are buffered than asked for they are copied out; otherwise what is buffered is copied,
// the buffer is refilled and copying goes on until the count is delivered or a refill
// brings nothing. A read that exactly empties the buffer refills it at once. File errors
// arrive as CFileException, as from the file itself.
#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class PxReadBuffer {
public:
    // Closes any previous buffer; 0 when file is null or the memory cannot be had.
    // With fill 1 the buffer is filled at once.
    int Open(CFile* file, std::size_t capacity, int fill);
    // Reads up to the capacity from the file; returns the bytes read (0 when closed).
    std::size_t Fill();
    // Delivers up to count bytes into destination; returns the number delivered.
    std::size_t Read(void* destination, std::size_t count);
    void Close();

    bool IsOpen() const { return !m_buffer.empty(); }
    std::size_t Capacity() const { return m_buffer.size(); }
    std::size_t Filled() const { return m_filled; }
    std::size_t Position() const { return m_position; }

private:
    CFile* m_file = nullptr;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_filled = 0;
    std::size_t m_position = 0;
};
