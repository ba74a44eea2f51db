#include "storage/MainFile.h"

#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/Prompt.h"
#include "storage/Crc16.h"
#include "storage/Password.h"

#include <cstring>
#include <vector>

using namespace MainFormat;

namespace {
// Blocks a chain of `length` payload bytes takes: full blocks, then the rest (maybe 0).
std::int64_t ChainBlocks(std::int64_t length) {
    return length / payloadSize + 1;
}

// Runs append, which writes blocks from block `end` on (the end of the file). When it
// fails, the file is cut back to end blocks and undo puts back what it overwrote before
// the end, so a failed append leaves no half-written record or chain that a later append,
// a reconstruction or a check would take for data. Both are best effort: the append's own
// error is the one reported.
template <class Append, class Undo>
void AppendOrUndo(CFile& file, std::int32_t end, Append&& append, Undo&& undo) {
    try {
        append();
    } catch (const CFileException&) {
        try {
            file.SetLength(static_cast<std::int64_t>(end) * blockSize);
            undo();
        } catch (const CFileException&) {
        }
        throw;
    }
}
} // namespace

int CMainFile::Create(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    if (!CreateFile(path, mode))
        return 0;
    m_readOnly = mode != 0;
    CRecordHead header;
    std::memcpy(header.Bytes() + offFileName, formatString, std::strlen(formatString) + 1);
    header.SetDateSaved(CurrentTime32());
    m_open = true;
    if (!WriteHead(header, 0)) {
        m_file.Close();
        m_open = false;
        return 0;
    }
    m_path = path;
    return SetPassword("");
}

int CMainFile::Open(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    if (!OpenFile(path, mode))
        return 0;
    m_open = true;
    CRecordHead header;
    if (!ReadHead(header, 0)) {
        Close();
        return 0;
    }
    // The format string must match with its NUL: a longer text in the field is foreign.
    const std::size_t length = std::strlen(formatString);
    if (std::memcmp(header.Bytes() + offFileName, formatString, length + 1) != 0) {
        Close();
        ShowMessage("Wrong file version or broken file header");
        return 0;
    }
    m_path = path;
    return 1;
}

void CMainFile::Close() {
    CloseFile();
}

void CMainFile::ReadBlockOrThrow(std::uint8_t* buffer, std::int32_t block) {
    if (block < 0)
        throw CFileException(FileCause::badSeek);
    std::size_t got =
        m_file.ReadAt(buffer, blockSize, static_cast<std::int64_t>(block) * blockSize);
    if (got != static_cast<std::size_t>(blockSize))
        throw CFileException(FileCause::endOfFile);
}

void CMainFile::WriteBlockOrThrow(const std::uint8_t* buffer, std::int32_t block) {
    if (block < 0 || block >= maxBlocks)
        throw CFileException(block < 0 ? FileCause::badSeek : FileCause::diskFull);
    m_file.WriteAt(buffer, blockSize, static_cast<std::int64_t>(block) * blockSize);
}

void CMainFile::WriteBlocksOrThrow(const std::uint8_t* buffer, std::int32_t first,
                                   std::int32_t count) {
    if (first < 0 || count < 1 || first > maxBlocks - count)
        throw CFileException(first < 0 || count < 1 ? FileCause::badSeek : FileCause::diskFull);
    m_file.WriteAt(buffer, static_cast<std::size_t>(count) * blockSize,
                   static_cast<std::int64_t>(first) * blockSize);
}

int CMainFile::ReadBlock(std::uint8_t* buffer, std::int32_t block) {
    return Guard([&] { ReadBlockOrThrow(buffer, block); });
}

int CMainFile::ReadBlocks(std::uint8_t* buffer, std::int32_t first, std::int32_t count) {
    return Guard([&] {
        if (first < 0 || count < 0)
            throw CFileException(FileCause::badSeek);
        const std::size_t bytes = static_cast<std::size_t>(count) * blockSize;
        if (m_file.ReadAt(buffer, bytes, static_cast<std::int64_t>(first) * blockSize) != bytes)
            throw CFileException(FileCause::endOfFile);
    });
}

int CMainFile::WriteBlock(const std::uint8_t* buffer, std::int32_t block) {
    return Guard([&] { WriteBlockOrThrow(buffer, block); });
}

int CMainFile::WriteHead(CRecordHead& head, std::int32_t block) {
    head.SetKind(1);
    return WriteBlock(head.Bytes(), block);
}

std::int32_t CMainFile::BlockCount() {
    std::int64_t length = 0;
    if (!Guard([&] { length = m_file.GetLength(); }))
        return 0;
    std::int64_t blocks = length / blockSize;
    return blocks > maxBlocks ? maxBlocks : static_cast<std::int32_t>(blocks);
}

void CMainFile::CheckRoom(std::int64_t sourceLength, std::int32_t extraBlocks) {
    std::int64_t blocks = m_file.GetLength() / blockSize;
    if (blocks + extraBlocks + ChainBlocks(sourceLength) > maxBlocks)
        throw CFileException(FileCause::diskFull);
}

void CMainFile::WriteChain(CFile& source, std::int32_t first, bool unlinkedPrevious) {
    // The blocks are written a run at a time: one write per run instead of one per block.
    constexpr std::int32_t runBlocks = 32;
    std::vector<std::uint8_t> run(static_cast<std::size_t>(runBlocks) * blockSize);
    std::int32_t b = first - 1;
    std::int32_t runFirst = first, inRun = 0;
    for (;;) {
        std::uint8_t* block = run.data() + static_cast<std::size_t>(inRun) * blockSize;
        std::memset(block, 0, blockSize);
        std::size_t got = 0;
        // Fill the payload completely unless the source ends.
        while (got < static_cast<std::size_t>(payloadSize)) {
            std::size_t n = source.Read(block + offPayload + got, payloadSize - got);
            if (n == 0)
                break;
            got += n;
        }
        PutLe32(block + offPrevious, unlinkedPrevious ? -1 : b);
        PutLe32(block + offKind, 0);
        PutLe32(block + offByteCount, static_cast<std::int32_t>(got));
        bool last = got != static_cast<std::size_t>(payloadSize);
        PutLe32(block + offNext, last ? -1 : b + 2);
        ++b;
        ++inRun;
        if (last || inRun == runBlocks) {
            WriteBlocksOrThrow(run.data(), runFirst, inRun);
            runFirst += inRun;
            inRun = 0;
        }
        if (last)
            return;
    }
}

int CMainFile::AppendRecord(CFile& source, std::int32_t& firstBlock, CRecordHead& head) {
    return Guard([&] {
        CheckRoom(source.GetLength(), 1);
        std::int32_t h = static_cast<std::int32_t>(m_file.GetLength() / blockSize);
        firstBlock = h;
        source.SeekToBegin();
        head.SetPrevious(-1);
        head.SetNext(h + 1);
        head.SetKind(1);
        AppendOrUndo(
            m_file, h,
            [&] {
                WriteBlockOrThrow(head.Bytes(), h);
                WriteChain(source, h + 1, false);
            },
            [] {});
    });
}

int CMainFile::CutBack(std::int32_t blocks) {
    return Guard([&] {
        const std::int64_t length = std::int64_t{blocks} * blockSize;
        if (blocks < 1 || length > m_file.GetLength())
            throw CFileException(FileCause::badSeek);
        // Nothing to take back (an append that undid itself): nothing is written.
        if (length != m_file.GetLength())
            m_file.SetLength(length);
    });
}

int CMainFile::StoreThumbnailChain(CFile& source, std::int32_t headBlock) {
    return Guard([&] {
        CRecordHead head;
        ReadBlockOrThrow(head.Bytes(), headBlock);
        const CRecordHead old = head;
        CheckRoom(source.GetLength(), 0);
        std::int32_t t = static_cast<std::int32_t>(m_file.GetLength() / blockSize);
        source.SeekToBegin();
        // The chain goes first and the head that points at it last: however the writing is
        // interrupted, the head never names a block past the end of the file.
        AppendOrUndo(
            m_file, t,
            [&] {
                WriteChain(source, t, true);
                head.SetThumbnailBlock(t);
                head.SetKind(1);
                WriteBlockOrThrow(head.Bytes(), headBlock);
            },
            // A head write that failed part-way may already name the chain cut off.
            [&] { WriteBlockOrThrow(old.Bytes(), headBlock); });
    });
}

template <class Visit> void CMainFile::WalkChain(std::int32_t firstBlock, Visit&& visit) {
    std::uint8_t block[blockSize];
    // A chain never has more blocks than the file: more steps mean a loop.
    std::int64_t steps = m_file.GetLength() / blockSize;
    for (std::int32_t b = firstBlock; b != -1;) {
        if (steps-- <= 0)
            throw CFileException(FileCause::generic);
        ReadBlockOrThrow(block, b);
        std::int32_t count = GetLe32(block + offByteCount);
        if (count < 0 || count > payloadSize)
            throw CFileException(FileCause::generic);
        visit(block + offPayload, static_cast<std::size_t>(count));
        b = GetLe32(block + offNext);
    }
}

int CMainFile::CopyChain(CFile& destination, std::int32_t firstBlock) {
    return Guard([&] {
        destination.SetLength(0);
        destination.SeekToBegin();
        WalkChain(firstBlock, [&](const std::uint8_t* payload, std::size_t count) {
            destination.Write(payload, count);
        });
    });
}

int CMainFile::CopyPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head) {
    if (!ReadHead(head, headBlock))
        return 0;
    return CopyChain(destination, head.Next());
}

int CMainFile::ReadPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head) {
    if (!ReadHead(head, headBlock))
        return 0;
    return Guard([&] {
        destination.SetLength(0);
        destination.SeekToBegin();
        const std::int64_t size = head.DataSize();
        std::int64_t bytes = 0;
        std::uint16_t crc = 0;
        std::uint8_t block[blockSize];
        // A chain never has more blocks than the file: more steps mean a loop (one that
        // adds bytes overruns the size long before).
        std::int64_t steps = m_file.GetLength() / blockSize;
        for (std::int32_t b = head.Next(); b != -1;) {
            if (steps-- <= 0)
                throw CFileException(FileCause::generic);
            ReadBlockOrThrow(block, b);
            const std::int32_t count = GetLe32(block + offByteCount);
            if (GetLe32(block + offKind) != 0 || count < 0 || count > payloadSize)
                throw CFileException(FileCause::generic);
            bytes += count;
            if (size != 0 && bytes > size)
                throw CFileException(FileCause::generic);
            crc = UpdateCrc16(crc, {block + offPayload, static_cast<std::size_t>(count)});
            destination.Write(block + offPayload, static_cast<std::size_t>(count));
            b = GetLe32(block + offNext);
        }
        if ((size != 0 && bytes != size) || crc != head.Crc())
            throw CFileException(FileCause::generic);
    });
}

std::int64_t CMainFile::GetDataSize(std::int32_t headBlock) {
    CRecordHead head;
    if (!ReadHead(head, headBlock))
        return -1;
    if (head.DataSize() != 0)
        return head.DataSize();
    std::int64_t sum = 0;
    bool ok = Guard([&] {
        WalkChain(head.Next(), [&](const std::uint8_t*, std::size_t count) { sum += count; });
    });
    if (!ok)
        return -1;
    head.SetDataSize(static_cast<std::uint32_t>(sum));
    // A read-only file keeps its head; the size is still right.
    if (!m_readOnly)
        WriteHead(head, headBlock);
    return sum;
}

int CMainFile::GetPassword(std::string& text) {
    CRecordHead header;
    if (!ReadHead(header, 0))
        return 0;
    text = UnscramblePassword(header.Bytes() + passwordOffset);
    return 1;
}

int CMainFile::SetPassword(std::string_view text) {
    auto field = ScramblePassword(text);
    CRecordHead header;
    if (!ReadHead(header, 0))
        return 0;
    std::memcpy(header.Bytes() + passwordOffset, field.data(), field.size());
    return WriteHead(header, 0);
}
