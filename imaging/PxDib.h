// PxDib: the image class of BMP files (".BMP"). The in-memory image is already a DIB, so
// reading and writing are near-direct copies through PxBmpCodec.
#pragma once

#include "imaging/PxImage.h"

class PxDib : public PxImage {
public:
    const char* GetClassName() const override { return "PxDib"; }
    // Reads a BMP from the file's position; see PxBmpCodec for what it accepts.
    int ReadImageData(CFile& file) override;
    // Writes the image as a BMP at the file's position.
    int WriteImageData(CFile& file) override;
};
