// The damage the corruption tests apply to a copy of a prepared database: one byte flipped,
// a 32-bit field set to a chosen value, 512 bytes zeroed, or the file cut, at a chosen
// offset of the main or the index file; and
// the places aimed at in each region of the two files (headers, a record head, the middle
// of a picture chain, a thumbnail chain, the first, middle and last entries of the list).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CPreparedDatabase;

enum class DamageKind { flip, zero, truncate, set };

enum class DamageRegion {
    mainHeader,
    recordHead,
    pictureChain,
    thumbnailChain,
    indexHeader,
    indexEntries,
};

inline constexpr DamageRegion allDamageRegions[] = {
    DamageRegion::mainHeader,     DamageRegion::recordHead,  DamageRegion::pictureChain,
    DamageRegion::thumbnailChain, DamageRegion::indexHeader, DamageRegion::indexEntries,
};

const char* RegionName(DamageRegion region);

struct DamageCase {
    DamageRegion region = DamageRegion::mainHeader;
    std::string place; // what lies at the offset, e.g. "cat.gif head, next link"
    DamageKind kind = DamageKind::flip;
    std::int64_t offset = 0;
    std::uint8_t mask = 0xFF; // the bits a flip inverts
    std::uint32_t value = 0;  // what a set writes, little-endian
    // The damage leaves every picture readable (a head's size, a data block's kind): no
    // repair may lose a record.
    bool keepsPictures = false;

    bool InIndex() const {
        return region == DamageRegion::indexHeader || region == DamageRegion::indexEntries;
    }
    // "flip: cat.gif head, next link"
    std::string Label() const;
    // Damages the bytes of the file the case aims at.
    void Apply(std::vector<std::uint8_t>& bytes) const;
    // Whether any byte of [from, to) of that file is changed or cut off.
    bool Touches(std::int64_t from, std::int64_t to) const;
};

// Every case of region, at offsets taken from the prepared database's layout.
std::vector<DamageCase> DamageCases(DamageRegion region, const CPreparedDatabase& db);
