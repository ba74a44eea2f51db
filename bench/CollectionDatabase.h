// A large database written fast for the benchmarks: every record's picture a tiny valid
// BMP whose head points at the picture as its own thumbnail, heads appended through the
// main file and the whole index written in one go with CIndexBuilder, byte for byte what
// adding the records one by one would leave.
#pragma once

#include "bench/BenchUtil.h"
#include "bench/CollectionRecords.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/IndexBuilder.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// A bottom-up BMP of one row of width pixels, 24 bits, levels from seed: pictures of
// different seeds or widths differ.
inline std::vector<std::uint8_t> MakeBmp(int width, std::uint16_t seed) {
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(width) * 3; // width % 4 == 0
    const std::uint32_t size = 54 + rowBytes;
    std::vector<std::uint8_t> bytes(size, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, 1);
    put16(26, 1);
    put16(28, 24);
    put32(34, rowBytes);
    put32(38, 2835);
    put32(42, 2835);
    for (std::uint32_t i = 0; i < rowBytes; ++i)
        bytes[54 + i] = static_cast<std::uint8_t>(seed + i);
    bytes[54] = static_cast<std::uint8_t>(seed >> 8);
    return bytes;
}

// The head of record stored with picture bmp: the picture's true checksum, which reads of
// the picture check.
inline void FillHead(const CollectionRecord& record, const std::vector<std::uint8_t>& bmp,
                     CRecordHead& head) {
    const auto dataSize = static_cast<std::uint32_t>(bmp.size());
    head = CRecordHead();
    head.SetCrc(UpdateCrc16(0, bmp));
    head.SetFileName(record.name);
    head.SetDateSaved(record.dateSaved);
    head.SetDateImageCreated(record.dateCreated);
    for (int slot = 0; slot < record.keywordCount; ++slot)
        head.SetKeyword(slot, record.keywords[slot]);
    head.SetDataSize(dataSize);
    head.SetThumbnailBlock(0);
    head.SetWidth(static_cast<std::uint32_t>(record.width));
    head.SetHeight(1);
}

// Writes the database at base: heads and pictures through the main file, then the whole
// index from the heads' keys. Seconds for each part through mainSeconds and indexSeconds.
inline bool BuildDatabase(const std::string& base, const std::vector<CollectionRecord>& records,
                          double& mainSeconds, double& indexSeconds) {
    CIndexBuilder builder;
    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true))
            return false;
        CStopwatch watch;
        for (const CollectionRecord& record : records) {
            std::vector<std::uint8_t> bmp = MakeBmp(record.width, record.crc);
            CMemFile picture;
            picture.Write(bmp.data(), bmp.size());
            picture.SeekToBegin();
            CRecordHead head;
            FillHead(record, bmp, head);
            std::int32_t block = -1;
            if (!database.Main().AppendRecord(picture, block, head))
                return false;
            // The picture is its own thumbnail, as for a picture too small to shrink.
            if (!database.SetThumbnail(nullptr, block, false))
                return false;
            for (const std::string& key : RecordKeys(head))
                builder.Add(key, block);
        }
        mainSeconds = watch.Seconds();
    }
    CStopwatch watch;
    std::error_code ignored;
    std::filesystem::remove(base + ".PXI", ignored);
    if (!builder.Write(base + ".PXI"))
        return false;
    indexSeconds = watch.Seconds();
    return true;
}
