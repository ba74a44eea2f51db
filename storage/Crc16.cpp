#include "storage/Crc16.h"

#include <array>

namespace {
// Eight tables: table[k][b] is the CRC of byte b followed by k zero bytes, so eight input
// bytes fold in with eight independent lookups instead of eight dependent steps.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        auto value = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            value =
                static_cast<std::uint16_t>((value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1);
        t[0][i] = value;
    }
    for (int k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 8]);
    return t;
}
constexpr Tables crcTables = MakeTables();

std::uint16_t Step(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>((crc << 8) ^ crcTables[0][((crc >> 8) ^ byte) & 0xFF]);
}
} // namespace

std::uint16_t UpdateCrc16(std::uint16_t crc, std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        // The two CRC bytes meet the first two data bytes; the other six enter plainly.
        const unsigned b0 = (crc >> 8) ^ p[0], b1 = (crc & 0xFF) ^ p[1];
        crc = static_cast<std::uint16_t>(
            crcTables[7][b0] ^ crcTables[6][b1] ^ crcTables[5][p[2]] ^ crcTables[4][p[3]] ^
            crcTables[3][p[4]] ^ crcTables[2][p[5]] ^ crcTables[1][p[6]] ^ crcTables[0][p[7]]);
    }
    for (; n > 0; --n, ++p)
        crc = Step(crc, *p);
    return crc;
}
