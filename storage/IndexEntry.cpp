#include "storage/IndexEntry.h"

#include "platform/ByteOrder.h"
#include "platform/Text.h"
#include "storage/RecordHead.h"

#include <algorithm>
#include <cstring>

using namespace IndexFormat;

std::string_view CIndexEntry::Key() const {
    const char* end = std::find(key, key + keyField, '\0');
    return std::string_view(key, static_cast<std::size_t>(end - key));
}

void CIndexEntry::SetKey(std::string_view text) {
    std::memset(key, 0, sizeof key);
    if (!text.empty())
        std::memcpy(key, text.data(), std::min<std::size_t>(text.size(), keyField - 1));
}

void CIndexEntry::Decode(const std::uint8_t* bytes) {
    previous = GetLe32(bytes);
    next = GetLe32(bytes + 4);
    number = GetLe32(bytes + 8);
    flags = GetLe32(bytes + 12);
    std::memcpy(key, bytes + 16, keyField);
    record = GetLe32(bytes + 48);
}

void CIndexEntry::Encode(std::uint8_t* bytes) const {
    PutLe32(bytes, previous);
    PutLe32(bytes + 4, next);
    PutLe32(bytes + 8, number);
    PutLe32(bytes + 12, flags);
    std::memcpy(bytes + 16, key, keyField);
    PutLe32(bytes + 48, record);
}

namespace {
// The family character followed by text; built by appending, which keeps GCC's
// string-concatenation warnings quiet in optimised builds.
std::string FamilyKey(char family, std::string_view text) {
    std::string key;
    key.reserve(1 + text.size());
    key.push_back(family);
    key.append(text);
    return key;
}
} // namespace

std::string MakeDateKey(std::int32_t dateSaved) {
    return FamilyKey(dateFamily, std::to_string(dateSaved));
}

// Name and keyword keys keep the plain byte cut of the format: every reader forms them so.
std::string MakeNameKey(std::string_view fileName) {
    return FamilyKey(nameFamily, fileName.substr(0, 30));
}

std::string MakeCrcKey(std::uint16_t crc) {
    return FamilyKey(crcFamily, std::to_string(crc));
}

std::string MakeKeywordKey(std::string_view keyword) {
    return FamilyKey(keywordFamily, keyword.substr(0, 30));
}

std::vector<std::string> RecordKeys(const CRecordHead& head) {
    std::vector<std::string> keys{MakeCrcKey(head.Crc()), MakeDateKey(head.DateSaved()),
                                  MakeNameKey(head.FileName())};
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
        if (head.HasKeyword(slot))
            keys.push_back(MakeKeywordKey(head.Keyword(slot)));
    return keys;
}

int CompareKeys(std::string_view a, std::string_view b, bool fold) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(fold ? FoldChar(a[i]) : a[i]);
        auto cb = static_cast<unsigned char>(fold ? FoldChar(b[i]) : b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
