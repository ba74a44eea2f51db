// CMemFile: a growable file in memory with the same interface as CFile. Picture and
// thumbnail bytes travel in it between the storage layer, the codecs and their callers.
// Its capacity grows in multiples of the growth step (1024 bytes unless given), at least
// doubling, so appending a large picture piece by piece stays linear.
#pragma once

#include "platform/File.h"

#include <cstdint>
#include <span>
#include <vector>

class CMemFile : public CFile {
public:
    explicit CMemFile(std::size_t growthStep = 1024);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekPosition from) override;
    std::int64_t GetPosition() const override { return m_position; }
    std::int64_t GetLength() const override { return static_cast<std::int64_t>(m_length); }
    void SetLength(std::int64_t length) override;
    void Flush() override {}
    void Close() override;
    bool IsOpen() const override { return true; }

    // The content, valid until the next write or length change.
    std::span<const std::uint8_t> Data() const { return {m_buffer.data(), m_length}; }
    std::size_t GetGrowthStep() const { return m_growthStep; }
    std::size_t GetCapacity() const { return m_buffer.size(); }

private:
    void Reserve(std::size_t length);

    std::vector<std::uint8_t> m_buffer;
    std::size_t m_length = 0;
    std::int64_t m_position = 0;
    std::size_t m_growthStep;
};
