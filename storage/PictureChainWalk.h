// CPictureChainWalk: decides whether a record head's picture chain is complete: whether
// it reaches an end inside the file. This is what tells a stored record from the
// beginning of an addition that did not complete: a head is written before its chain, so
// a crash, a kill or a failed write leaves a head whose chain stops early (past the end
// of the file, in a partial block that no longer counts, at the head of a record appended
// later, or in blocks stored later for something else).
//
// A chain is complete when its next links, from the head's, run through data blocks
// inside the file, every byte count lies in 0 to 2032 and a next link of -1 ends it
// within as many blocks as the file has (more means a loop). The chain's own byte counts
// give the picture's true size: a head whose data size disagrees keeps its record (the
// size field is damaged; SizeDisagrees tells), with one exception. An addition cut short
// whose last block links on into blocks stored later for another chain ends there too,
// with the wrong size; its blocks then show it, since every block of a picture chain
// names the block before it as its previous link and a block written for another chain
// does not. So a chain whose size disagrees and whose previous links disagree as well
// counts as unfinished.
//
// A block met along the chain whose kind is not 0 is a data block with a damaged kind
// when its previous link names the chain's block before it (a record head always has -1
// there): the walk goes on through it and DamagedKindBlock tells. Anything else of
// another kind (a record head appended later) ends the chain as incomplete.
//
// The picture's bytes are not judged: a complete chain whose CRC disagrees with the head
// is a damaged picture, mostly readable, not an unfinished one, and the record stays.
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
    // Starts on the picture chain of head, the record head at headBlock of a main file of
    // blockCount blocks.
    CPictureChainWalk(const CRecordHead& head, std::int32_t headBlock, std::int32_t blockCount);
    // The same from the head's fields: its next link and data size. headBlock -1 (a
    // thumbnail chain, whose blocks carry no previous links) accepts no damaged kind.
    CPictureChainWalk(std::int32_t firstBlock, std::uint32_t dataSize, std::int32_t blockCount,
                      std::int32_t headBlock = -1);

    // The block the walk needs next; -1 once it has decided.
    std::int32_t Awaited() const { return m_awaited; }
    // Takes block Awaited(), all 2048 bytes of it. True when the block belongs to the
    // chain: its payload (byte count at offset 12) is part of the picture.
    bool Feed(const std::uint8_t* block);

    bool Decided() const { return m_awaited == -1; }
    // True when the walk has decided that the chain is complete.
    bool Complete() const { return Decided() && m_fault.empty(); }
    // Why the chain is not complete, as words that follow "its picture chain" (for
    // example "runs into block 9, a record head"); empty while complete or undecided.
    const std::string& Fault() const { return m_fault; }
    // Blocks taken so far, and the bytes they hold.
    std::int32_t Blocks() const { return m_blocks; }
    std::int64_t Bytes() const { return m_bytes; }
    // A complete chain whose bytes differ from the head's data size (when that is known).
    bool SizeDisagrees() const {
        return Complete() && m_dataSize != 0 && m_bytes != std::int64_t{m_dataSize};
    }
    // The first block taken although its kind is not 0; -1 for none.
    std::int32_t DamagedKindBlock() const { return m_damagedKind; }

private:
    void Fail(std::string fault);
    // Goes on at block b, the next link of the block just taken (or the head's).
    void Follow(std::int32_t b);

    std::int32_t m_blockCount;
    std::uint32_t m_dataSize;
    std::int64_t m_bytes = 0;
    std::int32_t m_blocks = 0;
    std::int32_t m_awaited = -1;
    std::int32_t m_previous; // the chain's block before the awaited one (the head at first)
    bool m_previousLinksDisagree = false;
    std::int32_t m_damagedKind = -1;
    std::string m_fault;
};
