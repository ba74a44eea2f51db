// The reference the JPEG benchmarks measure the program against: a whole picture decoded
// by libjpeg-turbo alone, as a plain program does (stdio source, blue-green-red rows top
// line first into one block).
#pragma once

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct CPlainJpegDecode {
    bool quantize = false; // reduce to 256 colours while decoding
    bool cleared = false;  // the new block is zero-filled first
    // When given, the rows go here, grown as needed and kept (no memory is then newly
    // mapped once it is large enough) instead of into a new block.
    std::vector<std::uint8_t>* reuse = nullptr;
    std::uint32_t width = 0;  // out
    std::uint32_t height = 0; // out
};

namespace plain_jpeg_detail {
struct Exit {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
inline void Leave(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Exit*>(cinfo->err)->jump, 1);
}
} // namespace plain_jpeg_detail

// False when the file cannot be opened or decoded.
inline bool PlainJpegDecode(const std::string& path, CPlainJpegDecode& how) {
    using plain_jpeg_detail::Exit;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    // Declared before the landing point, so that a jump there leaves it intact.
    std::unique_ptr<std::uint8_t[]> pixels;
    jpeg_decompress_struct c;
    Exit exit;
    c.err = jpeg_std_error(&exit.manager);
    exit.manager.error_exit = plain_jpeg_detail::Leave;
    if (setjmp(exit.jump)) {
        jpeg_destroy_decompress(&c);
        std::fclose(file);
        return false;
    }
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, file);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    if (how.quantize) {
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = 256;
    }
    jpeg_start_decompress(&c);
    const std::size_t pitch = std::size_t{c.output_width} * c.output_components;
    const std::size_t size = pitch * c.output_height;
    std::uint8_t* block = nullptr;
    if (how.reuse) {
        if (how.reuse->size() < size)
            how.reuse->resize(size);
        block = how.reuse->data();
    } else {
        pixels.reset(how.cleared ? new std::uint8_t[size]() : new std::uint8_t[size]);
        block = pixels.get();
    }
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = block + pitch * c.output_scanline;
        jpeg_read_scanlines(&c, &row, 1);
    }
    how.width = c.output_width;
    how.height = c.output_height;
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    std::fclose(file);
    return true;
}
