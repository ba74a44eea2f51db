#include "storage/DatabaseCheckMain.h"

#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "storage/Password.h"
#include "storage/PictureChainWalk.h"
#include "storage/RecordHeadScan.h"

#include <algorithm>
#include <cstring>

using namespace MainFormat;

namespace {

// Blocks read in one transfer: 2 MB.
constexpr std::int32_t blocksPerRead = 1024;

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

std::string Record(std::int32_t block) {
    return "record at block " + Number(block);
}

const char* ChainName(bool thumbnail) {
    return thumbnail ? "thumbnail chain" : "picture chain";
}

} // namespace

bool CMainCheck::Open(const std::string& path) {
    CFileException error;
    if (m_file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error))
        return true;
    if (error.Cause() == FileCause::fileNotFound)
        Problem("missing main file", "main file " + path + ": not found");
    else
        Problem("unreadable main file",
                "main file " + path + ": cannot be opened: " + FileErrorText(error.Cause()));
    return false;
}

bool CMainCheck::CheckHeaderBlock() {
    const std::int64_t length = m_file.GetLength();
    if (length < blockSize) {
        Problem("main file shorter than its header",
                "main file: " + Number(length) + " bytes, shorter than its 2048-byte header");
        return false;
    }
    // What an append that did not complete left; the next append starts at the last whole
    // block and overwrites it.
    if (length % blockSize != 0)
        m_log.Note(CheckedFile::main, "partial blocks at the end",
                   "main file: " + Number(length % blockSize) +
                       " bytes after the last whole block (a write that did not complete), "
                       "ignored");
    std::int64_t blocks = length / blockSize;
    if (blocks > maxBlocks) {
        Problem("main file too large", "main file: " + Number(blocks) +
                                           " blocks, more than the 1,048,576 its block "
                                           "numbers reach; the rest is not checked");
        blocks = maxBlocks;
    }
    m_blockCount = static_cast<std::int32_t>(blocks);

    CRecordHead header;
    if (m_file.ReadAt(header.Bytes(), blockSize, 0) != static_cast<std::size_t>(blockSize)) {
        Problem("unreadable main file", "main file: the header block cannot be read");
        return false;
    }
    if (std::memcmp(header.Bytes() + offFileName, formatString, std::strlen(formatString) + 1))
        Problem("wrong main header",
                std::string("main header: the format string is not \"") + formatString + "\"");
    if (header.Kind() != 1)
        Problem("wrong main header", "main header: kind " + Number(header.Kind()) + ", not 1");
    if (!IsValidPasswordField(header.Bytes() + passwordOffset))
        Problem("wrong main header", "main header: the password field is damaged (it holds "
                                     "no password that can be typed)");
    return true;
}

void CMainCheck::CheckQuick() {
    try {
        CheckHeaderBlock();
    } catch (const CFileException& e) {
        Problem("unreadable main file", std::string("main file: cannot be read: ") + e.what());
    }
}

void CMainCheck::CheckFull(const HeadVisitor& visit, const EntriesKnown& hasEntries,
                           const ThumbnailCheck& thumbnailDecodes) {
    try {
        if (!CheckHeaderBlock())
            return;
        ReadAllBlocks(visit);
        if (!m_allRead)
            return;
        FindUnfinished(hasEntries);

        // Picture chains first, so that a thumbnail link into a picture is blamed on the
        // thumbnail.
        m_owner.assign(static_cast<std::size_t>(m_blockCount), 0);
        std::vector<Chain> chains;
        chains.reserve(m_heads.size() * 2);
        for (std::size_t i = 0; i < m_heads.size(); ++i) {
            const Head& head = m_heads[i];
            if (m_unfinished[i])
                continue;
            if (head.previous != -1)
                Problem("record heads with a previous link",
                        Record(head.block) + ": previous link " + Number(head.previous) +
                            ", not -1");
            if (head.next != head.block + 1 && head.next != -1)
                Problem("picture chains not after their head",
                        Record(head.block) + ": the picture chain starts at block " +
                            Number(head.next) + ", not right after the head");
            const Chain& chain = chains.emplace_back(WalkChain(head, i, head.next, false));
            if (chain.sound && head.dataSize != 0 && head.dataSize != chain.bytes)
                Problem("data sizes that disagree",
                        Record(head.block) + ": data size " + Number(head.dataSize) +
                            ", but the picture chain holds " + Number(chain.bytes) + " bytes");
        }
        for (std::size_t i = 0; i < m_heads.size(); ++i) {
            const Head& head = m_heads[i];
            if (!m_unfinished[i] && head.thumbnail != 0 && head.thumbnail != head.next)
                chains.push_back(WalkChain(head, i, head.thumbnail, true));
        }
        // The bytes are read in block order, whatever order the links give, so that the
        // reads go through the file front to back once.
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < chains.size(); ++i)
            if (chains[i].sound)
                order.push_back(i);
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return chains[a].first < chains[b].first; });
        for (std::size_t i : order) {
            const Chain& chain = chains[i];
            const Head& head = m_heads[chain.headIndex];
            if (chain.thumbnail)
                CheckThumbnail(head, chain, thumbnailDecodes);
            else
                CheckPicture(head, chain, head.thumbnail == head.next, thumbnailDecodes);
        }
        NoteUnclaimedBlocks();
    } catch (const CFileException& e) {
        Problem("unreadable main file", std::string("main file: cannot be read: ") + e.what());
    }
}

void CMainCheck::ReadAllBlocks(const HeadVisitor& visit) {
    m_links.assign(static_cast<std::size_t>(m_blockCount), Links{0, 0, 1, 0});
    m_isHead.assign(static_cast<std::size_t>(m_blockCount), false);
    m_buffer.resize(static_cast<std::size_t>(blocksPerRead) * blockSize);
    CRecordHead head;
    auto nextLink = [&](std::int32_t p) { return m_links[static_cast<std::size_t>(p)].next; };
    for (std::int32_t start = 1; start < m_blockCount; start += blocksPerRead) {
        const std::int32_t count = std::min(blocksPerRead, m_blockCount - start);
        const std::size_t bytes = static_cast<std::size_t>(count) * blockSize;
        if (m_file.ReadAt(m_buffer.data(), bytes, std::int64_t{start} * blockSize) != bytes) {
            Problem("unreadable main file", "main file: the blocks from " + Number(start) +
                                                " on cannot be read (the file shrank)");
            return;
        }
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t b = start + k;
            const std::uint8_t* block = m_buffer.data() + static_cast<std::size_t>(k) * blockSize;
            Links& links = m_links[static_cast<std::size_t>(b)];
            links = Links{GetLe32(block + offPrevious), GetLe32(block + offNext),
                          GetLe32(block + offKind), GetLe32(block + offByteCount)};
            if (links.kind == 1 && IsRecordHead(b, links.previous, nextLink)) {
                std::memcpy(head.Bytes(), block, blockSize);
                m_isHead[static_cast<std::size_t>(b)] = true;
                m_heads.push_back(Head{b, head.Previous(), head.Next(), head.ThumbnailBlock(),
                                       head.DataSize(), head.Crc()});
                if (visit)
                    visit(b, head);
            } else if (links.kind != 0 && links.kind != 1) {
                Problem("blocks of an unknown kind", "block " + Number(b) + ": kind " +
                                                         Number(links.kind) +
                                                         ", neither data (0) nor a head (1)");
            }
        }
    }
    m_allRead = true;
}

void CMainCheck::FindUnfinished(const EntriesKnown& hasEntries) {
    m_unfinished.assign(m_heads.size(), false);
    if (!hasEntries)
        return;
    // Blocks fed to all the walks together: twice the file's, far more than the chains of
    // any file written by the program need. A file made to send many walks round the same
    // long chain runs out of them; the heads not judged by then count as finished records
    // and are checked as all the others are.
    std::int64_t budget = std::int64_t{2} * m_blockCount;
    for (std::size_t i = 0; i < m_heads.size(); ++i) {
        const Head& head = m_heads[i];
        if (hasEntries(head.block))
            continue;
        CPictureChainWalk walk(head.next, head.dataSize, m_blockCount, head.block);
        for (std::int32_t previous = head.block; !walk.Decided() && budget > 0; --budget) {
            const std::int32_t b = walk.Awaited();
            walk.Feed(BlockBytes(b, b == previous + 1));
            previous = b;
        }
        if (!walk.Decided() || walk.Complete()) {
            m_unindexed.push_back(head.block);
            continue;
        }
        m_unfinished[i] = true;
        ++m_unfinishedCount;
        m_log.Note(CheckedFile::main, "unfinished records",
                   "block " + Number(head.block) +
                       ": unfinished record (an addition that did not complete), ignored: its "
                       "picture chain " +
                       walk.Fault());
    }
}

const std::uint8_t* CMainCheck::BlockBytes(std::int32_t b, bool inRun) {
    if (inRun || (b >= m_windowFirst && b < m_windowFirst + m_windowBlocks)) {
        LoadWindow(b, b + 1);
        return m_buffer.data() + static_cast<std::size_t>(b - m_windowFirst) * blockSize;
    }
    if (m_file.ReadAt(m_block.data(), blockSize, std::int64_t{b} * blockSize) !=
        static_cast<std::size_t>(blockSize))
        throw CFileException(FileCause::endOfFile);
    return m_block.data();
}

void CMainCheck::NoteUnclaimedBlocks() {
    // An unfinished record's blocks are the run of unclaimed data blocks after its head.
    for (std::size_t i = 0; i < m_heads.size(); ++i) {
        if (!m_unfinished[i])
            continue;
        const std::int32_t h = m_heads[i].block;
        for (std::int32_t b = h + 1; b < m_blockCount; ++b) {
            const Links& links = m_links[static_cast<std::size_t>(b)];
            if (links.kind != 0 || m_owner[static_cast<std::size_t>(b)] != 0)
                break;
            m_owner[static_cast<std::size_t>(b)] = h;
            if (links.next != b + 1)
                break;
        }
    }
    for (std::int32_t b = 1; b < m_blockCount;) {
        auto unclaimed = [&](std::int32_t k) {
            return m_links[static_cast<std::size_t>(k)].kind == 0 &&
                   m_owner[static_cast<std::size_t>(k)] == 0;
        };
        if (!unclaimed(b)) {
            ++b;
            continue;
        }
        std::int32_t end = b + 1;
        while (end < m_blockCount && unclaimed(end))
            ++end;
        m_log.Note(CheckedFile::main, "data blocks no record refers to",
                   (end - b == 1 ? "block " + Number(b) + ": a data block"
                                 : "blocks " + Number(b) + " to " + Number(end - 1) + ": " +
                                       Number(end - b) + " data blocks") +
                       " that no record refers to (a replaced thumbnail or a write that did not "
                       "complete), ignored");
        b = end;
    }
}

void CMainCheck::LoadWindow(std::int32_t first, std::int32_t end) {
    if (first >= m_windowFirst && end <= m_windowFirst + m_windowBlocks)
        return;
    const std::int32_t count = std::min(blocksPerRead, m_blockCount - first);
    const std::size_t bytes = static_cast<std::size_t>(count) * blockSize;
    m_windowBlocks = 0;
    if (m_file.ReadAt(m_buffer.data(), bytes, std::int64_t{first} * blockSize) != bytes)
        throw CFileException(FileCause::endOfFile);
    m_windowFirst = first;
    m_windowBlocks = count;
}

CMainCheck::Chain CMainCheck::WalkChain(const Head& head, std::size_t headIndex, std::int32_t first,
                                        bool thumbnail) {
    Chain chain;
    chain.headIndex = headIndex;

    chain.first = first;
    chain.thumbnail = thumbnail;
    const std::string what = std::string(ChainName(thumbnail)) + " of " + Record(head.block);
    const std::int32_t tag = thumbnail ? -head.block : head.block;
    if (first == -1) {
        Problem("chains missing",
                Record(head.block) + ": no " + ChainName(thumbnail) + " (its first block is -1)");
        chain.sound = false;
        return chain;
    }
    std::int32_t previous = thumbnail ? -1 : head.block;
    // Each step claims a block that no chain held before, so the walk ends within the
    // block count even when the links run in a circle.
    for (std::int32_t b = first; b != -1;) {
        if (b < 1 || b >= m_blockCount) {
            Problem("chain links outside the file",
                    what + ": links to block " + Number(b) +
                        (b < 1 ? ", which holds no data" : ", past the end of the file"));
            chain.sound = false;
            break;
        }
        const std::int32_t owner = m_owner[static_cast<std::size_t>(b)];
        if (owner == tag) {
            Problem("chains that loop", what + ": loops back to block " + Number(b));
            chain.sound = false;
            break;
        }
        if (owner != 0) {
            Problem("blocks in two chains", "block " + Number(b) + ": in the " + what +
                                                " and in the " + ChainName(owner < 0) + " of " +
                                                Record(owner < 0 ? -owner : owner));
            chain.sound = false;
            break;
        }
        m_owner[static_cast<std::size_t>(b)] = tag;
        const Links& links = m_links[static_cast<std::size_t>(b)];
        if (links.kind != 0) {
            // A block that names the picture chain's block before it was written as part of
            // the chain: its kind byte is damaged, its bytes still belong to the picture.
            const bool ownBlock =
                !thumbnail && previous >= 1 && previous < b && links.previous == previous;
            Problem("chain blocks that are not data blocks",
                    "block " + Number(b) + ": in the " + what + ", but of kind " +
                        Number(links.kind) + (ownBlock ? " (its kind is damaged)" : ""));
            if (!ownBlock) {
                chain.sound = false;
                break;
            }
        }
        // Nothing reads the previous links, so a picture chain may also leave them at -1.
        if (links.previous != previous && links.previous != -1)
            Problem("previous links that disagree",
                    "block " + Number(b) + ": previous link " + Number(links.previous) +
                        " in the " + what + ", where block " + Number(previous) + " leads to it");
        else if (thumbnail && links.previous != -1)
            Problem("previous links that disagree", "block " + Number(b) + ": previous link " +
                                                        Number(links.previous) + " in the " + what +
                                                        ", not -1");
        if (links.byteCount < 0 || links.byteCount > payloadSize) {
            Problem("byte counts out of range", "block " + Number(b) + ": byte count " +
                                                    Number(links.byteCount) +
                                                    " outside 0 to 2032 in the " + what);
            chain.sound = false;
            break;
        }
        if (links.next != -1 && links.byteCount != payloadSize)
            Problem("chain blocks not full", "block " + Number(b) + ": holds " +
                                                 Number(links.byteCount) +
                                                 " bytes, but is not the last of the " + what);
        if (chain.blocks > 0 && b != previous + 1)
            chain.contiguous = false;
        ++chain.blocks;
        chain.bytes += links.byteCount;
        previous = b;
        b = links.next;
    }
    return chain;
}

void CMainCheck::ReadChain(const Chain& chain,
                           const std::function<void(const std::uint8_t*, std::size_t)>& take) {
    if (chain.contiguous && chain.blocks <= blocksPerRead) {
        // Chains are read in block order and mostly lie one after another, so one window
        // read serves many of them.
        const std::int32_t end = chain.first + chain.blocks;
        LoadWindow(chain.first, end);
        for (std::int32_t b = chain.first; b < end; ++b)
            take(m_buffer.data() + static_cast<std::size_t>(b - m_windowFirst) * blockSize +
                     offPayload,
                 static_cast<std::size_t>(m_links[static_cast<std::size_t>(b)].byteCount));
        return;
    }
    // Anything else reads into the buffer past the window, which then no longer holds.
    m_windowBlocks = 0;
    if (chain.contiguous) {
        for (std::int32_t done = 0; done < chain.blocks;) {
            const std::int32_t count = std::min(blocksPerRead, chain.blocks - done);
            const std::int32_t from = chain.first + done;
            const std::size_t bytes = static_cast<std::size_t>(count) * blockSize;
            if (m_file.ReadAt(m_buffer.data(), bytes, std::int64_t{from} * blockSize) != bytes)
                throw CFileException(FileCause::endOfFile);
            for (std::int32_t k = 0; k < count; ++k)
                take(m_buffer.data() + static_cast<std::size_t>(k) * blockSize + offPayload,
                     static_cast<std::size_t>(
                         m_links[static_cast<std::size_t>(from + k)].byteCount));
            done += count;
        }
        return;
    }
    // The links were checked when the chain was walked; the counts kept then bound the copy.
    std::int32_t b = chain.first;
    for (std::int32_t k = 0; k < chain.blocks; ++k) {
        if (m_file.ReadAt(m_buffer.data(), blockSize, std::int64_t{b} * blockSize) !=
            static_cast<std::size_t>(blockSize))
            throw CFileException(FileCause::endOfFile);
        const Links& links = m_links[static_cast<std::size_t>(b)];
        take(m_buffer.data() + offPayload, static_cast<std::size_t>(links.byteCount));
        b = links.next;
    }
}

void CMainCheck::CheckPicture(const Head& head, const Chain& chain, bool decodeAsThumbnail,
                              const ThumbnailCheck& thumbnailDecodes) {
    const bool decode = decodeAsThumbnail && thumbnailDecodes && chain.bytes <= thumbnailLimit;
    std::vector<std::uint8_t> bytes;
    if (decode)
        bytes.reserve(static_cast<std::size_t>(chain.bytes));
    std::uint16_t crc = 0;
    ReadChain(chain, [&](const std::uint8_t* payload, std::size_t count) {
        crc = UpdateCrc16(crc, {payload, count});
        if (decode)
            bytes.insert(bytes.end(), payload, payload + count);
    });
    if (crc != head.crc)
        Problem("pictures whose CRC disagrees", Record(head.block) + ": the picture's CRC is " +
                                                    Number(crc) + ", the head says " +
                                                    Number(head.crc));
    if (decode && !thumbnailDecodes(bytes))
        Problem("thumbnails that do not decode",
                Record(head.block) + ": the picture, its own thumbnail, does not decode as one");
}

void CMainCheck::CheckThumbnail(const Head& head, const Chain& chain,
                                const ThumbnailCheck& thumbnailDecodes) {
    if (!thumbnailDecodes)
        return;
    if (chain.bytes > thumbnailLimit) {
        Problem("thumbnails too large", Record(head.block) + ": the thumbnail chain holds " +
                                            Number(chain.bytes) +
                                            " bytes, far more than a "
                                            "thumbnail");
        return;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(chain.bytes));
    ReadChain(chain, [&](const std::uint8_t* payload, std::size_t count) {
        bytes.insert(bytes.end(), payload, payload + count);
    });
    if (!thumbnailDecodes(bytes))
        Problem("thumbnails that do not decode", Record(head.block) + ": the thumbnail (" +
                                                     Number(chain.bytes) + " bytes from block " +
                                                     Number(chain.first) + ") does not decode");
}
