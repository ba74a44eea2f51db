// Fuzz target of the TIFF reader. The bytes are decoded from a memory file, as the document
// decodes a record's picture; a picture that loads is drawn into a small device bitmap and gets a
// thumbnail. The last byte's low bit turns the 256-colour option on. Sanitizers report any read or
// write outside a block or table; a pixel block larger than the file can describe (beyond what its
// codec can expand) aborts.
#include "fuzz/ImageFuzzSteps.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxTiff.h"
#include "platform/MemFile.h"

#include <tiffio.h>

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The library's complaints about damaged files would fill the log.
    static const bool silenced =
        (TIFFSetErrorHandler(nullptr), TIFFSetWarningHandler(nullptr), true);
    (void)silenced;
    SetForce256Colors(size > 0 && (data[size - 1] & 1) != 0);
    CMemFile input;
    input.Write(data, size);
    input.SeekToBegin();
    PxTiff image;
    if (image.LoadFromFile(input)) {
        // At most four bytes for each byte of samples (2-bit grey becomes 8-bit) and the
        // row padding.
        if (image.GetBits().size() > size * 8192 + (std::size_t{1} << 27))
            std::abort();
        image.ReleaseFile();
        DrawAndThumbnail(image, imageTiff);
    }
    return 0;
}
