// Fuzz target of the JPEG reader. Any bytes are read as a JPEG file from memory, as the
// document reads a record's picture; a picture that loads is drawn into a small device
// bitmap and gets a thumbnail. The last byte's low bit turns the 256-colour option on
// before the image object is made, so that both the true-colour and the quantising reads
// run. Sanitizers report any read or write outside a block or table; a picture larger
// than the stream can describe (beyond a generous compression ratio) aborts.
#include "fuzz/ImageFuzzSteps.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxJpeg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetForce256Colors(size > 0 && (data[size - 1] & 1) != 0);
    CMemFile input;
    input.Write(data, size);
    input.SeekToBegin();
    PxJpeg image;
    if (image.LoadFromFile(input)) {
        if (std::uint64_t{image.GetWidth()} * image.GetHeight() > size * 1024 + (1u << 21))
            std::abort();
        DrawAndThumbnail(image, imageJpeg);
    }
    image.ReleaseFile();
    return 0;
}
