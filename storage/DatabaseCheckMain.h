// CMainCheck: the main file's part of the database check. It reads the file without a
// lock and checks the header block (format string, kind, password field), the length
// (within the 2^31-byte limit; a partial block at the end is noted) and, in the full
// check, every block from 1 on: the kind of each block, every record head's picture chain
// and thumbnail chain (links inside the file, previous links as written, byte counts 0 to
// 2032 with every block but the last full, an end, no loop, no block in two chains), the
// cached data size, the CRC of every picture and, through the caller's check, whether
// every thumbnail decodes.
//
// A head that no index entry names is first judged on its own (CPictureChainWalk): with
// an incomplete chain it is an unfinished record, noted and left out of everything else,
// so that its blocks are no chain's and the record appended after it checks clean; with
// a complete one it is checked as every record is. Data blocks that no chain claims are
// noted too.
//
// The blocks are read front to back in large pieces once, keeping 16 bytes of links per
// block; the picture and thumbnail bytes are then read chain by chain in block order, in
// the same large pieces wherever the chains' blocks follow one another. Every walk is
// bounded by the block count, and no buffer is sized from a number inside the file.
#pragma once

#include "platform/File.h"
#include "storage/DatabaseCheck.h"
#include "storage/DatabaseCheckLog.h"
#include "storage/RecordHead.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMainCheck {
public:
    // Called for every record head found, in block order.
    using HeadVisitor = std::function<void(std::int32_t block, const CRecordHead& head)>;
    // Whether an index entry names the head at block.
    using EntriesKnown = std::function<bool(std::int32_t block)>;

    // Thumbnail chains longer than this are not decoded; no thumbnail comes near it.
    static constexpr std::int64_t thumbnailLimit = std::int64_t{16} << 20;

    explicit CMainCheck(CCheckLog& log) : m_log(log) {}

    // Opens the file at path for reading; false, with a problem line, when it is missing
    // or cannot be opened.
    bool Open(const std::string& path);
    // The header block and the length.
    void CheckQuick();
    // Everything; visit sees each record head as it is read. hasEntries tells which heads
    // the index names; when it is empty (the entries are unknown) no head counts as
    // unfinished.
    void CheckFull(const HeadVisitor& visit, const EntriesKnown& hasEntries,
                   const ThumbnailCheck& thumbnailDecodes);

    // Blocks checked (the file's, up to the format's limit); 0 before a check.
    std::int32_t BlockCount() const { return m_blockCount; }
    // True after CheckFull read every block, so that the heads found are all there are.
    bool AllBlocksRead() const { return m_allRead; }
    bool IsHead(std::int32_t block) const {
        return block >= 0 && block < static_cast<std::int32_t>(m_isHead.size()) &&
               m_isHead[static_cast<std::size_t>(block)];
    }
    // Record heads found, unfinished records left out.
    std::int32_t RecordCount() const {
        return static_cast<std::int32_t>(m_heads.size()) - m_unfinishedCount;
    }
    // The heads with a complete chain that no index entry names, in block order.
    const std::vector<std::int32_t>& UnindexedHeads() const { return m_unindexed; }

private:
    struct Links {
        std::int32_t previous;
        std::int32_t next;
        std::int32_t kind;
        std::int32_t byteCount;
    };
    struct Head {
        std::int32_t block;
        std::int32_t previous;
        std::int32_t next;
        std::int32_t thumbnail;
        std::uint32_t dataSize;
        std::uint16_t crc;
    };
    struct Chain {
        std::size_t headIndex = 0; // in m_heads
        std::int32_t first = -1;
        bool thumbnail = false;
        bool sound = true;      // walks from first to an end through data blocks
        bool contiguous = true; // its blocks follow one another in the file
        std::int32_t blocks = 0;
        std::int64_t bytes = 0;
    };

    void Problem(std::string_view kind, std::string line) {
        m_log.Add(CheckedFile::main, kind, std::move(line));
    }
    // The length and block 0; false when no block can be checked.
    bool CheckHeaderBlock();
    void ReadAllBlocks(const HeadVisitor& visit);
    // Sorts the heads that hasEntries says no entry names into unfinished records (noted)
    // and complete ones (m_unindexed).
    void FindUnfinished(const EntriesKnown& hasEntries);
    // Notes the data blocks that no chain claimed, in runs; an unfinished record's blocks
    // were noted with it.
    void NoteUnclaimedBlocks();
    // Makes the buffer window hold blocks first to end - 1 (at most blocksPerRead).
    void LoadWindow(std::int32_t first, std::int32_t end);
    // The 2048 bytes of block b: through the window when b is in it or inRun (the blocks
    // after b are likely wanted next), else read on its own.
    const std::uint8_t* BlockBytes(std::int32_t b, bool inRun);
    // Walks the chain from first of head (m_heads[headIndex]), claiming its blocks.
    Chain WalkChain(const Head& head, std::size_t headIndex, std::int32_t first, bool thumbnail);
    // Calls take(payload, byteCount) for every block of a sound chain, in chain order.
    // Reads cost least when the chains come in the order of their first blocks.
    void ReadChain(const Chain& chain,
                   const std::function<void(const std::uint8_t*, std::size_t)>& take);
    // The CRC of a sound picture chain, and with decodeAsThumbnail whether it decodes.
    void CheckPicture(const Head& head, const Chain& chain, bool decodeAsThumbnail,
                      const ThumbnailCheck& thumbnailDecodes);
    // Whether a sound thumbnail chain decodes.
    void CheckThumbnail(const Head& head, const Chain& chain,
                        const ThumbnailCheck& thumbnailDecodes);

    CCheckLog& m_log;
    CFile m_file;
    std::int32_t m_blockCount = 0;
    bool m_allRead = false;
    std::vector<Links> m_links;
    std::vector<bool> m_isHead;
    std::vector<Head> m_heads;
    std::vector<bool> m_unfinished; // per head in m_heads
    std::int32_t m_unfinishedCount = 0;
    std::vector<std::int32_t> m_unindexed;
    // The chain each block belongs to: the head's block for a picture chain, its negative
    // for a thumbnail chain, 0 for none.
    std::vector<std::int32_t> m_owner;
    std::vector<std::uint8_t> m_buffer;
    std::array<std::uint8_t, MainFormat::blockSize> m_block{}; // one block read on its own
    // The blocks m_buffer holds for ReadChain: m_windowBlocks blocks from m_windowFirst.
    std::int32_t m_windowFirst = 0;
    std::int32_t m_windowBlocks = 0;
};
