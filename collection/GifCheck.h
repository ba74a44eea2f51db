// The test a GIF file passes before it is listed by the add-files browser or stored by the
// Add command: a cut-off or degenerate file would make a useless record.
#pragma once

#include <string>

// yes: the last byte that is not zero is the trailer ";" and the logical screen (signed
// 16-bit width at byte 6, height at byte 8) is at least 2 x 2. no: the file fails that
// (also when it is shorter than its screen descriptor). unreadable: the file cannot be
// opened or read, which the reader that follows reports.
enum class GifCheck { yes, no, unreadable };

GifCheck CheckGifFile(const std::string& path);
