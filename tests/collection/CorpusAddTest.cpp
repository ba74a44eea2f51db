// The whole picture corpus added through picdex-cli: the database it leaves passes the
// independent reading of the formats, and every stored thumbnail decodes to its size.
#include "imaging/ImageType.h"
#include "imaging/PxGif.h"
#include "imaging/Thumbnail.h"
#include "platform/MemFile.h"
#include "support/FormatReader.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<PxImage> Decode(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<PxImage> image = CreateImageForType(ImageTypeFromPath(name));
    CMemFile file;
    FillMemFile(file, bytes);
    if (!image || !image->LoadFromFile(file))
        image.reset();
    return image;
}

TEST(CorpusAdd, StoredCorpusReadsCleanWithThumbnailsOfTheRightSize) {
    const std::string data = TestDataDir();
    if (data.empty())
        return;
    CTempDir temp;
    std::string command = std::string(PICDEX_CLI_PATH) + " --yes add " + temp.File("db");
    for (const char* folder : {"photos", "jpeg", "gif", "tiff", "bmp"})
        for (const auto& entry : std::filesystem::directory_iterator(data + folder))
            command += " '" + entry.path().string() + "'";
    // Some corpus files are refused ("Invalid file format."): the tool then exits 1.
    ASSERT_NE(std::system((command + " >/dev/null 2>&1").c_str()), -1);

    CFormatReader reader;
    reader.Read(ReadFileBytes(temp.File("db.PXM")), ReadFileBytes(temp.File("db.PXI")));
    EXPECT_TRUE(reader.IsClean()) << reader.Report();
    ASSERT_GT(reader.Records().size(), 80u);
    for (const CFormatReader::Record& record : reader.Records()) {
        std::unique_ptr<PxImage> picture = Decode(record.fileName, record.picture);
        ASSERT_TRUE(picture) << record.fileName << " was stored but does not decode";
        ASSERT_FALSE(record.thumbnail.empty()) << record.fileName;
        PxGif thumbnail;
        CMemFile file;
        FillMemFile(file, record.thumbnail);
        ASSERT_TRUE(thumbnail.LoadFromFile(file)) << record.fileName;
        std::uint32_t w = picture->GetWidth(), h = picture->GetHeight();
        if (record.thumbnail != record.picture)
            ThumbnailDimensions(picture->GetWidth(), picture->GetHeight(), w, h);
        EXPECT_EQ(thumbnail.GetWidth(), w) << record.fileName;
        EXPECT_EQ(thumbnail.GetHeight(), h) << record.fileName;
    }
}

} // namespace
