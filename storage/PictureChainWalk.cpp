#include "storage/PictureChainWalk.h"

#include "platform/ByteOrder.h"

using namespace MainFormat;

namespace {
std::string Number(std::int64_t value) {
    return std::to_string(value);
}
} // namespace

CPictureChainWalk::CPictureChainWalk(const CRecordHead& head, std::int32_t headBlock,
                                     std::int32_t blockCount)
    : CPictureChainWalk(head.Next(), head.DataSize(), blockCount, headBlock) {}

CPictureChainWalk::CPictureChainWalk(std::int32_t firstBlock, std::uint32_t dataSize,
                                     std::int32_t blockCount, std::int32_t headBlock)
    : m_blockCount(blockCount), m_dataSize(dataSize), m_previous(headBlock) {
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

bool CPictureChainWalk::Feed(const std::uint8_t* block) {
    if (m_awaited == -1)
        return false;
    const std::int32_t b = m_awaited;
    const std::int32_t kind = GetLe32(block + offKind);
    const std::int32_t count = GetLe32(block + offByteCount);
    const std::int32_t previous = GetLe32(block + offPrevious);
    // A record head has -1 as its previous link; a block that names the chain's block
    // before it was written as part of this chain.
    const bool linkedFromChain = m_previous >= 1 && previous == m_previous && previous < b;
    if (kind != 0 && !linkedFromChain) {
        Fail("runs into block " + Number(b) +
             (kind == 1 ? ", a record head" : ", of kind " + Number(kind)));
        return false;
    }
    if (count < 0 || count > payloadSize) {
        Fail("reaches block " + Number(b) + ", whose byte count " + Number(count) +
             " lies outside 0 to 2032");
        return false;
    }
    if (kind != 0 && m_damagedKind == -1)
        m_damagedKind = b;
    if (previous != m_previous)
        m_previousLinksDisagree = true;
    m_bytes += count;
    ++m_blocks;
    m_previous = b;
    m_awaited = -1;
    const std::int32_t next = GetLe32(block + offNext);
    if (next != -1) {
        Follow(next);
        return true;
    }
    if (m_dataSize != 0 && m_dataSize != m_bytes && m_previousLinksDisagree)
        Fail("holds " + Number(m_bytes) + " bytes, the head says " + Number(m_dataSize) +
             ", and runs into blocks written for another chain");
    return true;
}
