#include "storage/RecordHead.h"

#include "platform/ByteOrder.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

using namespace MainFormat;

namespace {
std::string ReadField(const std::uint8_t* field, std::size_t width) {
    const auto* end = std::find(field, field + width, 0);
    return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

void WriteField(std::uint8_t* field, std::size_t width, std::string_view text) {
    std::string_view cut = CutUtf8(text, width - 1);
    std::memset(field, 0, width);
    if (!cut.empty()) // an empty view may carry no pointer at all
        std::memcpy(field, cut.data(), cut.size());
}
} // namespace

std::int32_t CRecordHead::Previous() const {
    return GetLe32(&m_bytes[offPrevious]);
}
void CRecordHead::SetPrevious(std::int32_t block) {
    PutLe32(&m_bytes[offPrevious], block);
}
std::int32_t CRecordHead::Next() const {
    return GetLe32(&m_bytes[offNext]);
}
void CRecordHead::SetNext(std::int32_t block) {
    PutLe32(&m_bytes[offNext], block);
}
std::int32_t CRecordHead::Kind() const {
    return GetLe32(&m_bytes[offKind]);
}
void CRecordHead::SetKind(std::int32_t kind) {
    PutLe32(&m_bytes[offKind], kind);
}

std::uint16_t CRecordHead::Crc() const {
    return GetLe16(&m_bytes[offCrc]);
}
void CRecordHead::SetCrc(std::uint16_t crc) {
    PutLe16(&m_bytes[offCrc], crc);
}

std::string CRecordHead::FileName() const {
    return ReadField(&m_bytes[offFileName], fileNameField);
}
void CRecordHead::SetFileName(std::string_view name) {
    WriteField(&m_bytes[offFileName], fileNameField, name);
}

std::int32_t CRecordHead::DateSaved() const {
    return GetLe32(&m_bytes[offDateSaved]);
}
void CRecordHead::SetDateSaved(std::int32_t seconds) {
    PutLe32(&m_bytes[offDateSaved], seconds);
}
std::int32_t CRecordHead::DateImageCreated() const {
    return GetLe32(&m_bytes[offDateCreated]);
}
void CRecordHead::SetDateImageCreated(std::int32_t seconds) {
    PutLe32(&m_bytes[offDateCreated], seconds);
}

std::string CRecordHead::Keyword(int slot) const {
    if (slot < 0 || slot >= keywordCount)
        return {};
    return ReadField(&m_bytes[offKeywords + slot * keywordField], keywordField - 1);
}

void CRecordHead::SetKeyword(int slot, std::string_view keyword) {
    if (slot < 0 || slot >= keywordCount)
        return;
    WriteField(&m_bytes[offKeywords + slot * keywordField], keywordField, keyword);
}

bool CRecordHead::HasKeyword(int slot) const {
    return slot >= 0 && slot < keywordCount && m_bytes[offKeywords + slot * keywordField] != 0;
}

std::uint32_t CRecordHead::DataSize() const {
    return GetLeU32(&m_bytes[offDataSize]);
}
void CRecordHead::SetDataSize(std::uint32_t size) {
    PutLe32(&m_bytes[offDataSize], size);
}
std::int32_t CRecordHead::ThumbnailBlock() const {
    return GetLe32(&m_bytes[offThumbnail]);
}
void CRecordHead::SetThumbnailBlock(std::int32_t block) {
    PutLe32(&m_bytes[offThumbnail], block);
}
std::uint32_t CRecordHead::Width() const {
    return GetLeU32(&m_bytes[offWidth]);
}
void CRecordHead::SetWidth(std::uint32_t width) {
    PutLe32(&m_bytes[offWidth], width);
}
std::uint32_t CRecordHead::Height() const {
    return GetLeU32(&m_bytes[offHeight]);
}
void CRecordHead::SetHeight(std::uint32_t height) {
    PutLe32(&m_bytes[offHeight], height);
}
