#include "storage/Crc16.h"

#include <array>

namespace {
// One table lookup per byte; the same result as shifting bit by bit.
constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t value = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            value =
                static_cast<std::uint16_t>((value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1);
        table[i] = value;
    }
    return table;
}
constexpr auto crcTable = MakeTable();
} // namespace

std::uint16_t UpdateCrc16(std::uint16_t crc, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes)
        crc = static_cast<std::uint16_t>((crc << 8) ^ crcTable[((crc >> 8) ^ byte) & 0xFF]);
    return crc;
}
