// The integrity check of a picture database: reads the main file and the index file
// without changing them and lists every place where they break the format or disagree
// with each other, so that a damaged database is found before a picture is lost.
//
// The full check walks every block of the main file (header, record heads, picture and
// thumbnail chains, checksums, thumbnails) and every entry of the index file (header,
// links, order, key texts, skip table), then matches the records against their entries.
// The quick check looks at the two headers, the file sizes and the skip table only.
//
// What a write that did not complete leaves behind is not damage: nothing refers to it,
// the program never reported it stored and the next addition overwrites or passes it. It
// is listed as a note and sets no damage flag: a record head whose picture chain is not
// complete (CPictureChainWalk) and that no index entry names (an unfinished record, whose
// blocks count as no chain's), data blocks that no chain claims (a replaced or unfinished
// thumbnail, the rest of an unfinished record) and a partial block at the end of the main
// file. A complete record without entries is index damage (an index reconstruction brings
// it back); a record with entries whose chain is not complete is main-file damage, and so
// is a complete chain whose bytes fail the CRC, with entries or without.
//
// Everything read is untrusted: damage gives problem lines, never a crash, a hang or an
// allocation larger than the files themselves justify. The check opens both files for
// reading without a lock (another instance may hold them for writing), creates nothing,
// completes no pending reconstruction and shows nothing through the prompt.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

struct DatabaseCheckResult {
    std::vector<std::string> problems; // one line per problem, in the order found
    std::vector<std::string> notes;    // leftovers of unfinished writes, ignored; not damage
    bool mainDamaged = false;  // a problem in the main file (blocks, chains, CRCs, thumbnails)
    bool indexDamaged = false; // a problem of the index file (an index reconstruction repairs it)
    // Record heads in the main file, unfinished ones left out; -1 when not counted (quick).
    std::int32_t records = 0;
    std::int32_t liveRecords = 0; // heads whose entries are not flagged deleted; -1 likewise
    std::int32_t entries = 0;     // index entries
    bool Clean() const { return problems.empty(); }
};

// Decides whether a stored thumbnail's bytes decode; empty: thumbnails are not decoded.
using ThumbnailCheck = std::function<bool(std::span<const std::uint8_t> bytes)>;

// Checks the database at path (either file name or the base); never writes, never
// prompts, works while another instance holds the files. quick limits the check to the
// headers, the file sizes and the skip table.
DatabaseCheckResult CheckDatabase(const std::string& path, bool quick,
                                  const ThumbnailCheck& thumbnailDecodes = {});
