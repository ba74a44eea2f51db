// File properties: the live records of a picture database counted by picture type, judged
// by the upper-cased extension of the stored file name.
#pragma once

#include <functional>
#include <string>

class CPictureDatabase;

struct CTypeCounts {
    int tiff = 0;    // ".TIFF", ".TIF"
    int gif = 0;     // ".GIF"
    int jpeg = 0;    // ".JPEG", ".JPG"
    int bmp = 0;     // ".BMP"
    int unknown = 0; // any other, ".JPE" included
    int total = 0;   // every live record
};

// Walks the file-name family of the index, passing over deleted entries; processPending
// (when given) runs before each entry so the windows stay painted. 1 with the counts; 0
// when the index or a record head cannot be read, or when the walk met fewer live entries
// than the family holds (damaged links or skip table; "Unknown error"), with the counts
// made so far; the message has been shown.
int CountByType(CPictureDatabase& db, CTypeCounts& counts,
                const std::function<void()>& processPending = {});

// A count as its field shows it: "%d pics".
std::string FormatPicCount(int count);
