// PxTiffMemory: libtiff's view of a TIFF in memory never reaches outside the bytes, whatever
// seeks and reads it is asked for.
#include "imaging/PxTiffMemory.h"
#include "BmpBuilder.h"

#include <cstdio>

TEST(PxTiffMemory, SeeksAndReadsStayInsideTheBytes) {
    const std::string data = TestDataDir();
    if (data.empty())
        return;
    const std::vector<std::uint8_t> bytes =
        ReadFileBytes(data + "photos/ladybird-640x480-pal8.tiff");
    ASSERT_GT(bytes.size(), 1000u);
    const PxTiffMemory tiff(bytes);
    TIFF* tif = tiff.Handle();
    ASSERT_NE(tif, nullptr);
    const thandle_t self = TIFFClientdata(tif);
    const TIFFSeekProc seek = TIFFGetSeekProc(tif);
    const TIFFReadWriteProc read = TIFFGetReadProc(tif);
    const toff_t size = bytes.size(), fail = static_cast<toff_t>(-1);
    const auto back = [](std::int64_t n) { return static_cast<toff_t>(-n); };
    // Each seek starts 5 bytes before the end.
    struct Case {
        toff_t offset;
        int whence;
        toff_t expected; // the position after the seek, or fail (the position stays)
    } cases[] = {{10, SEEK_SET, 10},
                 {size, SEEK_SET, size},
                 {size + 1, SEEK_SET, fail},
                 {fail, SEEK_SET, fail},
                 {5, SEEK_CUR, size},
                 {6, SEEK_CUR, fail},
                 {back(5), SEEK_CUR, size - 10},
                 {back(10), SEEK_END, size - 10},
                 {1, SEEK_END, fail},
                 {back(std::int64_t(size) + 1), SEEK_END, fail},
                 {toff_t(INT64_MAX), SEEK_CUR, fail},
                 {0, 7, fail}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " from " << c.whence);
        ASSERT_EQ(seek(self, size - 5, SEEK_SET), size - 5);
        EXPECT_EQ(seek(self, c.offset, c.whence), c.expected);
        EXPECT_EQ(seek(self, 0, SEEK_CUR), c.expected == fail ? size - 5 : c.expected);
    }
    // A read at the end gives what is left and no more.
    std::vector<std::uint8_t> buffer(64, 0xEE);
    ASSERT_EQ(seek(self, size - 3, SEEK_SET), size - 3);
    EXPECT_EQ(read(self, buffer.data(), 64), 3);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 3, bytes.end() - 3));
    EXPECT_EQ(buffer[3], 0xEE);
    EXPECT_EQ(read(self, buffer.data(), 64), 0);
    EXPECT_EQ(read(self, buffer.data(), -1), 0);
}
