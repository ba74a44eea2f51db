// The path functions: folder, name and extension of "/"-separated paths, where only the
// last component can carry an extension.
#include "platform/Path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* path;
    const char* stripped;
    const char* folder;
    const char* extension; // upper case, with its dot
    const char* name;
};

const PathCase kCases[] = {
    {"/home/u/Pics.PXM", "/home/u/Pics", "/home/u/", ".PXM", "Pics.PXM"},
    {"/home/u/pics.pxi", "/home/u/pics", "/home/u/", ".PXI", "pics.pxi"},
    {"/data/v1.2/pics", "/data/v1.2/pics", "/data/v1.2/", "", "pics"}, // dot in a folder only
    {"/data/v1.2/a.b.jpeg", "/data/v1.2/a.b", "/data/v1.2/", ".JPEG", "a.b.jpeg"},
    {"/data/pics/", "/data/pics/", "/data/pics/", "", ""}, // trailing slash: no name
    {"/data/name.", "/data/name", "/data/", ".", "name."},
    {"photo.Jpg", "photo", "", ".JPG", "photo.Jpg"}, // bare name: no folder
    {"/x.gif", "/x", "/", ".GIF", "x.gif"},
    {"", "", "", "", ""},
    {"/data/Ärger.tiff", "/data/Ärger", "/data/", ".TIFF",
     "Ärger.tiff"}, // bytes above 127 untouched
};

TEST(PathTest, SplitsFolderNameAndExtension) {
    for (const PathCase& c : kCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(StripExtension(c.path), c.stripped);
        EXPECT_EQ(GetFolder(c.path), c.folder);
        EXPECT_EQ(GetExtensionUpper(c.path), c.extension);
        EXPECT_EQ(GetFileName(c.path), c.name);
    }
}

TEST(PathTest, ReplaceExtensionSwapsOnlyTheLastComponentsExtension) {
    EXPECT_EQ(ReplaceExtension("/d.x/pics", ".PXM"), "/d.x/pics.PXM");
    EXPECT_EQ(ReplaceExtension("/d/a.b.jpg", ""), "/d/a.b");
    EXPECT_EQ(ReplaceExtension("/d/a.jpg", "_1"), "/d/a_1")
        << "the new extension brings its own dot";
}

TEST(PathTest, HasExtensionComparesInUpperCase) {
    EXPECT_TRUE(HasExtension("/d/pic.JPG", ".jpg"));
    EXPECT_FALSE(HasExtension("/d/pic.jpeg", ".JPG"));
    EXPECT_FALSE(HasExtension("/d.jpg/pic", ".JPG")) << "a dot in a folder is no extension";
    EXPECT_TRUE(HasExtension("/d/pic", ""));
    EXPECT_FALSE(HasExtension("/d/pic.", ""));
}

} // namespace
