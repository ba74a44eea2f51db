// A picture written out in another format. It shows nothing and does not throw.
#pragma once

#include <string>

class PxImage;

// Converts image into the format of `type` (1 to 4) and writes it to path; the result of
// the writer, 0 for an unknown type.
int ExportAs(const PxImage& image, int type, const std::string& path);
