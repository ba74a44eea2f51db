// Independent readings of picture files for the differential tests: a plain per-pixel
// BMP decoder, written from the file format, sharing no code with the program and
// favouring plainness over speed; and libtiff's own RGBA reading of a TIFF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels as 0x00RRGGBB, top line first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// False when the file is not a BMP this reader understands.
bool ReferenceDecodeBmp(const std::vector<std::uint8_t>& file, RgbPicture& picture);
// The TIFF at path as libtiff reads it, rows in the file's order (orientation 1 is set in
// the open handle, since the program neither mirrors nor turns a picture), with its
// photometric interpretation when asked; false when libtiff cannot read it.
bool LibtiffDecode(const std::string& path, RgbPicture& picture,
                   std::uint16_t* photometric = nullptr);
