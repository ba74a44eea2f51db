// CPictureChainWalk: decides whether a record head's picture chain is complete: whether
// its blocks are all there, as the head describes them. This is what tells a finished
// record from the beginning of an addition that did not complete: a head is written before
// its chain, so a crash, a kill or a failed write leaves a head whose chain stops early
// (past the end of the file, in a partial block that no longer counts, at the head of a
// record appended later, or in blocks stored later for something else).
//
// A chain is complete when its next links, from the head's, run through data blocks
// (kind 0) inside the file, every byte count lies in 0 to 2032, a next link of -1 ends it
// within as many blocks as the file has (more means a loop) and its bytes add up to the
// head's data size (unless that is 0, not yet known). An addition writes the data size
// into the head before the chain, so a chain cut short that runs on into blocks stored
// later is caught by the size, unless those blocks happen to make it up exactly.
//
// The picture's bytes are not judged: a complete chain whose CRC disagrees with the head
// is a damaged picture, mostly readable, not an unfinished one, and the record stays. The
// previous links, which nothing reads, and the fill of the blocks do not count either.
//
// The caller feeds the blocks the walk asks for, one at a time. They are normally the
// blocks right after the head, so a scan of the file front to back can decide each chain
// as the blocks go by and read nothing twice; a link elsewhere asks for that block. The
// walk never asks for a block outside 1 to blockCount - 1.
#pragma once

#include "storage/RecordHead.h"

#include <cstdint>
#include <string>

class CPictureChainWalk {
public:
    // Starts on head, read from a main file of blockCount blocks.
    CPictureChainWalk(const CRecordHead& head, std::int32_t blockCount);
    // The same from the head's fields: its next link and data size.
    CPictureChainWalk(std::int32_t firstBlock, std::uint32_t dataSize, std::int32_t blockCount);

    // The block the walk needs next; -1 once it has decided.
    std::int32_t Awaited() const { return m_awaited; }
    // Takes block Awaited(), all 2048 bytes of it.
    void Feed(const std::uint8_t* block);

    bool Decided() const { return m_awaited == -1; }
    // True when the walk has decided that the chain is complete.
    bool Complete() const { return Decided() && m_fault.empty(); }
    // Why the chain is not complete, as words that follow "its picture chain" (for
    // example "runs into block 9, a record head"); empty while complete or undecided.
    const std::string& Fault() const { return m_fault; }
    // Blocks taken so far.
    std::int32_t Blocks() const { return m_blocks; }

private:
    void Fail(std::string fault);
    // Goes on at block b, the next link of the block just taken (or the head's).
    void Follow(std::int32_t b);

    std::int32_t m_blockCount;
    std::uint32_t m_dataSize;
    std::int64_t m_bytes = 0;
    std::int32_t m_blocks = 0;
    std::int32_t m_awaited = -1;
    std::string m_fault;
};
