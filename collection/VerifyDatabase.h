// VerifyDatabase: the full integrity check of a picture database (CheckDatabase) with the
// thumbnails decoded by the image library, as the thumbnail browser would show them.
#pragma once

#include "storage/DatabaseCheck.h"

#include <cstdint>
#include <span>
#include <string>

// Checks the database at path (either file name or the base); quick checks the headers,
// the sizes and the skip table only. Never writes, never prompts.
DatabaseCheckResult VerifyDatabase(const std::string& path, bool quick);

// True when bytes decode as a thumbnail: a GIF whose screen and image measure 1 to 92
// pixels each way.
bool ThumbnailDecodes(std::span<const std::uint8_t> bytes);
