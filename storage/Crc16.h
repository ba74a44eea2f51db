// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final XOR), the
// checksum stored with every picture and used to find duplicates.
#pragma once

#include <cstdint>
#include <span>

// Folds bytes into crc and returns the new value; start with 0.
std::uint16_t UpdateCrc16(std::uint16_t crc, std::span<const std::uint8_t> bytes);
