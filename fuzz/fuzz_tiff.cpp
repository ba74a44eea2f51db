// Fuzz target of the TIFF reader. The TIFF reader works on a path, so, as the document
// does with a record's picture, the bytes go to a temporary copy that is then loaded; a
// picture that loads is drawn into a small device bitmap and gets a thumbnail. The last
// byte's low bit turns the 256-colour option on. Sanitizers report any read or write
// outside a block or table; a pixel block larger than the file can describe (beyond
// what its codec can expand) aborts.
#include "fuzz/ImageFuzzSteps.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxTiff.h"
#include "platform/TempFile.h"

#include <tiffio.h>

#include <cstdio>
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
    const std::string copy = CopyToTemporaryFile(input, "PXT");
    if (copy.empty())
        return 0;
    {
        PxTiff image;
        if (image.LoadFromPath(copy)) {
            // At most four bytes for each byte of samples (2-bit grey becomes 8-bit) and
            // the row padding.
            if (image.GetBits().size() > size * 8192 + (std::size_t{1} << 27))
                std::abort();
            DrawAndThumbnail(image, imageTiff);
        }
    }
    std::remove(copy.c_str());
    return 0;
}
