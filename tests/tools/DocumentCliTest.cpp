// picdex-cli's show, thumbnail and reconstruct, run as a separate process on a database of
// two records of a 100 x 50 BMP (nine blocks each).
#include "support/CliFixture.h"
#include "support/TestSupport.h"

namespace {

class DocumentCliTest : public CCliTest {};

TEST_F(DocumentCliTest, ShowMakesTheThumbnailAndReconstructSwapsInTheSameProcess) {
    WriteBmp("a.bmp", 100, 50);
    EXPECT_EQ(Cli({"--yes", "store", File("db"), File("a.bmp"), File("a.bmp")}), "1\n10\n");
    EXPECT_EQ(Cli({"show", File("db"), "1"}), "2\t100\t50\t24\n");
    Cli({"thumbnail", File("db"), "1", File("t.gif")});
    EXPECT_EQ(Text("t.gif").substr(0, 10), std::string("GIF89a\x5c\0\x2e\0", 10)); // 92 x 46

    const std::int64_t length = FileLength(File("db.PXM"));
    Cli({"delete", File("db"), "10"});
    Cli({"reconstruct", File("db"), "--main"});
    EXPECT_EQ(m_err, "Finished reconstructing file.\n"); // no progress: not a terminal
    EXPECT_EQ(FileLength(File("db.PXM")), length - 9 * 2048);
    Cli({"reconstruct", File("db"), "--main", "--to", File("new")});
    EXPECT_EQ(m_err, "Reconstruction completed.  " + File("new.PXM") + " is created.\n");
}

} // namespace
