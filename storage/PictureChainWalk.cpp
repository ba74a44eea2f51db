#include "storage/PictureChainWalk.h"

#include "platform/ByteOrder.h"

using namespace MainFormat;

namespace {
std::string Number(std::int64_t value) {
    return std::to_string(value);
}
} // namespace

CPictureChainWalk::CPictureChainWalk(const CRecordHead& head, std::int32_t blockCount)
    : CPictureChainWalk(head.Next(), head.DataSize(), blockCount) {}

CPictureChainWalk::CPictureChainWalk(std::int32_t firstBlock, std::uint32_t dataSize,
                                     std::int32_t blockCount)
    : m_blockCount(blockCount), m_dataSize(dataSize) {
    if (firstBlock == -1)
        Fail("is missing (its first block is -1)");
    else
        Follow(firstBlock);
}

void CPictureChainWalk::Fail(std::string fault) {
    m_fault = std::move(fault);
    m_awaited = -1;
}

void CPictureChainWalk::Follow(std::int32_t b) {
    if (b < 1)
        Fail("links to block " + Number(b) + ", which holds no data");
    else if (b >= m_blockCount)
        Fail("runs past the end of the file (block " + Number(b) + ")");
    // Every block of a chain that ends is a different one of blocks 1 to blockCount - 1,
    // so a chain that goes on after that many runs in a circle.
    else if (m_blocks >= m_blockCount - 1)
        Fail("runs in a circle (more blocks than the file has)");
    else
        m_awaited = b;
}

void CPictureChainWalk::Feed(const std::uint8_t* block) {
    if (m_awaited == -1)
        return;
    const std::int32_t b = m_awaited;
    const std::int32_t kind = GetLe32(block + offKind);
    const std::int32_t count = GetLe32(block + offByteCount);
    if (kind == 1)
        return Fail("runs into block " + Number(b) + ", a record head");
    if (kind != 0)
        return Fail("runs into block " + Number(b) + ", of kind " + Number(kind));
    if (count < 0 || count > payloadSize)
        return Fail("reaches block " + Number(b) + ", whose byte count " + Number(count) +
                    " lies outside 0 to 2032");
    m_bytes += count;
    ++m_blocks;
    m_awaited = -1;
    const std::int32_t next = GetLe32(block + offNext);
    if (next != -1)
        return Follow(next);
    if (m_dataSize != 0 && m_dataSize != m_bytes)
        Fail("holds " + Number(m_bytes) + " bytes, the head says " + Number(m_dataSize));
}
