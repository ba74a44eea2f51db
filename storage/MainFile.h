// CMainFile: the open main file (".PXM") of a picture database, a sequence of 2048-byte
// blocks: the file header in block 0, then records, each a head block followed by its
// picture chain; thumbnail chains are appended at the end. The file only grows.
//
// Every operation first clears the last error. A file error is caught here: its cause is
// kept as the last error, its text is shown through the prompt and the operation returns
// its failure value (0, or -1 for GetDataSize). Every operation except Create and Open
// returns failure at once while the file is closed.
//
// Damage never leads outside the file: a read that returns fewer than 2048 bytes fails
// with "Reached end of file", a chain walk is bounded by the block count, and no append
// lets the file grow past MainFormat::maxBlocks blocks, the most its 32-bit block numbers
// address ("Disk full", nothing written). Offsets are 64-bit throughout: a file past
// 2 GiB is the same format.
#pragma once

#include "platform/File.h"
#include "storage/DatabaseFile.h"
#include "storage/RecordHead.h"

#include <cstdint>
#include <string>

class CMainFile : public CDatabaseFile {
public:
    CMainFile() = default;

    // mode 0 opens read-write, deny-write. Create truncates an existing file and writes a
    // new header with an empty password.
    int Create(const std::string& path, int mode = 0);
    // Falls back to read-only, deny-none when the file cannot be opened for writing.
    // A header whose format string differs shows "Wrong file version or broken file header".
    int Open(const std::string& path, int mode = 0);

    int ReadBlock(std::uint8_t* buffer, std::int32_t block);
    int WriteBlock(const std::uint8_t* buffer, std::int32_t block);
    // Reads count consecutive blocks from first on into buffer (count x 2048 bytes).
    int ReadBlocks(std::uint8_t* buffer, std::int32_t first, std::int32_t count);
    int ReadHead(CRecordHead& head, std::int32_t block) { return ReadBlock(head.Bytes(), block); }
    // Sets the kind field of head to 1 and writes it as block.
    int WriteHead(CRecordHead& head, std::int32_t block);
    // The file length divided by 2048; 0 while closed or on error.
    std::int32_t BlockCount();

    // Appends head (previous -1, next the following block) and the whole content of source
    // as its picture chain; firstBlock receives the head's block.
    int AppendRecord(CFile& source, std::int32_t& firstBlock, CRecordHead& head);
    // Cuts the file back to blocks blocks (at least the header, at most the file): takes
    // back appends whose record could not be completed, so that no head or chain of them
    // is left for a reconstruction to find.
    int CutBack(std::int32_t blocks);
    // Appends source as the thumbnail chain of the record at headBlock and points its head
    // at it. An older chain stays in the file unreferenced.
    int StoreThumbnailChain(CFile& source, std::int32_t headBlock);
    // Reads the head at headBlock into head and the picture bytes into destination.
    int CopyPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head);
    // CopyPicture for a reader that hands the picture on (a file written out, a picture
    // shown): it fails, with the file-error text, unless the chain is the picture the head
    // describes: data blocks inside the file (a record head, a link outside the file or a
    // loop ends it), holding the head's data size (reading stops as soon as they hold more;
    // a size of 0 is not known and not checked) of bytes that have the head's CRC (which
    // a jump into another record's data blocks fails). destination may hold part of the
    // bytes after a failure; the caller discards them.
    int ReadPicture(CFile& destination, std::int32_t headBlock, CRecordHead& head);
    // Writes the bytes of the chain starting at firstBlock into destination (truncated first).
    int CopyChain(CFile& destination, std::int32_t firstBlock);
    // The head's data size; computed from the chain and written back when it is 0.
    // -1 when a block cannot be read.
    std::int64_t GetDataSize(std::int32_t headBlock);

    // The password kept scrambled in the header; "" for none.
    int GetPassword(std::string& text);
    int SetPassword(std::string_view text);

    // Flush (of CDatabaseFile) makes the written data durable (fdatasync).
    void Close();

private:
    void ReadBlockOrThrow(std::uint8_t* buffer, std::int32_t block);
    void WriteBlockOrThrow(const std::uint8_t* buffer, std::int32_t block);
    // Writes count blocks from first on in one write.
    void WriteBlocksOrThrow(const std::uint8_t* buffer, std::int32_t first, std::int32_t count);
    // Writes source as a chain from block first on; every block's previous is -1 when
    // unlinkedPrevious, else the block before it (the head for the first).
    void WriteChain(CFile& source, std::int32_t first, bool unlinkedPrevious);
    // Calls visit(payload, byteCount) for every block of the chain from firstBlock; throws
    // on a damaged block count or a chain longer than the file (a loop).
    template <class Visit> void WalkChain(std::int32_t firstBlock, Visit&& visit);
    // Throws "Disk full" when appending a chain of sourceLength bytes (plus extraBlocks)
    // would take the file past its size limit.
    void CheckRoom(std::int64_t sourceLength, std::int32_t extraBlocks);
};
