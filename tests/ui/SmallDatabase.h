// Small picture databases for the widget tests of the whole-database commands: records of
// tiny BMP pictures, each with its own size and checksum, written straight through the
// storage layer.
#pragma once

#include "collection/FileProperties.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"

#include <QBuffer>
#include <QImage>

#include <string>

// Stores bytes as the record name of width × height pixels. True when stored.
inline bool AddBytes(CPictureDatabase& db, const QByteArray& bytes, const std::string& name,
                     std::uint32_t width, std::uint32_t height) {
    CMemFile file;
    file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    file.SeekToBegin();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint16_t crc = UpdateCrc16(0, {data, static_cast<std::size_t>(bytes.size())});
    return db.AddRecord(file, crc, name, 0, width, height, {});
}

// Adds pictures first .. first + count - 1 to db: picture k is (k + 1) × 3 pixels,
// "p<k>.bmp". True when all were stored.
inline bool AddPictures(CPictureDatabase& db, int first, int count) {
    for (int k = first; k < first + count; ++k) {
        QImage image(k + 1, 3, QImage::Format_RGB32);
        image.fill(0x00102030u + static_cast<unsigned>(k));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP") ||
            !AddBytes(db, bytes, "p" + std::to_string(k) + ".bmp",
                      static_cast<std::uint32_t>(k + 1), 3))
            return false;
    }
    return true;
}

// The number of live records of db; -1 when they cannot be counted.
inline int LiveRecords(CPictureDatabase& db) {
    CTypeCounts counts;
    return CountByType(db, counts) ? counts.total : -1;
}
