// CPreviewCell: one cell of the add-files browser's page of previews. It holds the decoded
// picture of one file in an object of that file's format and the size text shown under
// the cell. Every format, TIFF included, is read from the file itself; nothing is copied.
// A JPEG picture is decoded reduced (its longer side at least 92 pixels); the size text is
// the picture's own.
#pragma once

#include "imaging/PxImage.h"

#include <memory>
#include <string>

class CPreviewCell {
public:
    // Drops the previous picture, then reads path into a new object of the format its
    // extension names. 1: the cell holds the picture and its size text is
    // "width x height"; 0: the cell stays empty.
    int Load(const std::string& path);
    // Drops the picture and the size text.
    void Clear();

    // The format's type code (1 to 4), 0 when the cell is empty.
    int GetType() const { return m_type; }
    // The picture, owned by the cell; null when it is empty.
    PxImage* GetImage() const { return m_image.get(); }
    const std::string& GetSizeText() const { return m_sizeText; }

private:
    std::unique_ptr<PxImage> m_image;
    int m_type = 0;
    std::string m_sizeText;
};
