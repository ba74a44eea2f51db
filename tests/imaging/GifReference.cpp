#include "GifReference.h"

#include "BmpBuilder.h"
#include "imaging/PxDib.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <span>

namespace {

int ReadMemory(GifFileType* gif, GifByteType* out, int count) {
    auto& rest = *static_cast<std::span<const std::uint8_t>*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(count, rest.size());
    std::memcpy(out, rest.data(), n);
    rest = rest.subspan(n);
    return static_cast<int>(n);
}

int WriteMemory(GifFileType* gif, const GifByteType* data, int count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

} // namespace

bool GiflibDecodeFirst(const std::vector<std::uint8_t>& file, GifIndexed& picture) {
    std::span<const std::uint8_t> input(file);
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
    // DGifSlurp stores an interlaced image's rows in display order.
    const bool ok = gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
    if (ok) {
        const SavedImage& image = gif->SavedImages[0];
        picture = {image.ImageDesc.Width, image.ImageDesc.Height, {}, {}};
        picture.indices.assign(image.RasterBits, image.RasterBits + picture.width * picture.height);
        const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        for (int i = 0; map && i < map->ColorCount; ++i)
            picture.colors.push_back(std::uint32_t(map->Colors[i].Red) << 16 |
                                     std::uint32_t(map->Colors[i].Green) << 8 |
                                     map->Colors[i].Blue);
    }
    DGifCloseFile(gif, &error);
    return ok;
}

std::vector<std::uint8_t> GiflibEncode(const GifIndexed& picture) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteMemory, &error);
    GifColorType colors[256] = {};
    for (std::size_t i = 0; i < picture.colors.size() && i < 256; ++i)
        colors[i] = {GifByteType(picture.colors[i] >> 16), GifByteType(picture.colors[i] >> 8),
                     GifByteType(picture.colors[i])};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr);
    EGifPutLine(gif, const_cast<GifPixelType*>(picture.indices.data()),
                int(picture.indices.size()));
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

GifIndexed IndicesOf(const PxImage& image) {
    GifIndexed picture{int(image.GetWidth()), int(image.GetHeight()), {}, {}};
    const std::size_t pitch = PxImage::PaddedRowBytes(8, image.GetWidth());
    for (std::size_t y = image.GetHeight(); y-- > 0;)
        picture.indices.insert(picture.indices.end(), &image.GetBits()[y * pitch],
                               &image.GetBits()[y * pitch] + picture.width);
    const auto table = image.GetColorTable();
    for (std::size_t i = 0; i + 3 < table.size() && i < 256 * 4; i += 4)
        picture.colors.push_back(GetLeU32(&table[i]) & 0xFFFFFF);
    return picture;
}

void MakeImage(const GifIndexed& picture, unsigned bits, PxImage& image) {
    BmpBuilder bmp{.width = picture.width, .height = picture.height, .bits = std::uint16_t(bits)};
    bmp.colors = picture.colors;
    const std::size_t row = PxImage::PaddedRowBytes(bits, picture.width);
    bmp.pixels.assign(row * picture.height, 0);
    for (int i = 0; i < picture.width * picture.height; ++i) {
        const int x = i % picture.width, y = i / picture.width;
        bmp.pixels[(picture.height - 1 - y) * row + x * bits / 8] |=
            std::uint8_t(picture.indices[i] << (8 - bits - x * bits % 8));
    }
    PxDib dib;
    ASSERT_EQ(LoadBytes(dib, bmp.Build()), 1);
    ASSERT_EQ(image.CopyFrom(dib), 1);
}
