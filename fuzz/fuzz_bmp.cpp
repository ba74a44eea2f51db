// Fuzz target of the BMP reader. Any bytes are read as a BMP file from memory, as the
// document reads a record's picture; a picture that loads is drawn into a small device
// bitmap and gets a thumbnail. The last byte's low bit turns the 256-colour option on, so
// that both the true-colour and the palette paths run. Sanitizers report any read or
// write outside a block or table; a pixel block far larger than the file can justify
// (beyond the best run-length expansion) aborts.
#include "fuzz/ImageFuzzSteps.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxDib.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetForce256Colors(size > 0 && (data[size - 1] & 1) != 0);
    CMemFile input;
    input.Write(data, size);
    input.SeekToBegin();
    PxDib image;
    if (image.LoadFromFile(input)) {
        if (image.GetBits().size() > size * 256 + (std::size_t{1} << 20))
            std::abort();
        DrawAndThumbnail(image, imageBmp);
    }
    image.ReleaseFile();
    return 0;
}
