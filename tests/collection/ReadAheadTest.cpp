// Pictures read ahead and pixel blocks reused: the document shows exactly the pictures and
// messages it shows without them, and drops what it read ahead when what it depends on
// changes.
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "imaging/BmpBuilder.h"
#include "imaging/Contrast.h"
#include "imaging/ImageOptions.h"
#include "imaging/PxDib.h"
#include "imaging/PxJpeg.h"
#include "support/AddPicture.h"

#include <functional>
#include <string_view>

namespace {

// A picture's record, size and a digest of its blocks, byte for byte.
std::string Describe(std::int32_t record, const PxImage& picture) {
    const auto bits = picture.GetBits();
    const auto header = picture.GetHeader();
    const auto text = [](std::span<const std::uint8_t> b) {
        return std::string_view(reinterpret_cast<const char*>(b.data()), b.size());
    };
    return std::to_string(record) + ": " + std::to_string(bits.size()) + " " +
           std::to_string(std::hash<std::string_view>{}(text(bits))) + " " +
           std::to_string(std::hash<std::string_view>{}(text(header)));
}

// A JPEG of w x h pixels in a pattern bright enough that rows of one picture left in the
// padding of another's rows show.
std::vector<std::uint8_t> PatternJpeg(int w, int h) {
    BmpBuilder bmp{.width = w, .height = h, .bits = 24};
    bmp.pixels.resize(std::size_t((w * 3 + 3) & ~3) * h);
    for (std::size_t i = 0; i < bmp.pixels.size(); ++i)
        bmp.pixels[i] = static_cast<std::uint8_t>(200 + i % 50);
    PxDib dib;
    PxJpeg jpeg;
    EXPECT_TRUE(LoadBytes(dib, bmp.Build()) && jpeg.CopyFrom(dib));
    return SaveToBytes(jpeg);
}

class ReadAheadTest : public CTempDirTest {
protected:
    void SetUp() override {
        const std::string data = TestDataDir();
        if (data.empty()) {
            ASSERT_TRUE(IsSkipped()); // under CI a missing corpus fails instead
            return;
        }
        ASSERT_TRUE(m_doc.Database().OpenDatabase(File("db"), true));
        const std::string photos = data + "photos/";
        const std::pair<const char*, std::vector<std::uint8_t>> records[] = {
            {"a.jpg", PatternJpeg(30, 30)},
            {"b.jpg", PatternJpeg(29, 30)}, // its block reuses a.jpg's, padding and all
            {"c.jpg", ReadFileBytes(data + "jpeg/testorig.jpg")},
            {"d.jpg", {'n', 'o', 't'}}, // cannot be decoded
            {"e.gif", ReadFileBytes(photos + "ladybird-640x480.gif")},
            {"f.tiff", ReadFileBytes(photos + "ladybird-640x480-rgb-lzw.tiff")},
            {"g.bmp", ReadFileBytes(photos + "ladybird-640x480-8.bmp")},
        };
        for (const auto& [name, bytes] : records)
            ASSERT_GE(AddPicture(m_doc.Database(), name, bytes, {"k"}), 0);
        // A record whose picture chain leads out of the file: reading it shows a message.
        const std::int32_t broken = AddPicture(m_doc.Database(), "da.jpg", records[0].second);
        PatchFileLe32(File("db.PXM"), std::int64_t{broken} * MainFormat::blockSize + 4, 1 << 30);
        m_doc.ShowAll(OrderFamily::fileName, true);
    }
    void TearDown() override { SetForce256Colors(false); }

    // What the document shows now: the record and, byte for byte, the picture.
    std::string Shown() {
        const PxImage* picture = m_doc.GetCurrentPicture();
        return picture ? Describe(m_doc.GetPictureRecord(), *picture) : "none";
    }
    // The current record decoded into a new image object, as Shown() gives it.
    std::string Fresh() {
        CRecordHead head;
        CMemFile bytes;
        const std::int32_t record = m_doc.Database().Index().GetCurrentRecord();
        if (!m_doc.Database().ReadPicture(bytes, record, head))
            return "unreadable";
        CPicdexDoc fresh;
        bytes.SeekToBegin();
        if (!fresh.LoadPicture(head.FileName(), bytes))
            return std::to_string(record) + ": none";
        return Describe(record, *fresh.GetCurrentPicture());
    }

    CPicdexDoc m_doc;
};

TEST_F(ReadAheadTest, MovesShowTheSamePicturesAndMessagesWithAndWithoutReadAhead) {
    const std::function<bool(CPicdexDoc&)> moves[] = {
        &CPicdexDoc::GoNext, &CPicdexDoc::GoNext,     &CPicdexDoc::GoNext,
        &CPicdexDoc::GoNext, &CPicdexDoc::GoPrevious, &CPicdexDoc::GoPrevious,
        &CPicdexDoc::GoNext, &CPicdexDoc::GoNext,     &CPicdexDoc::GoNext,
        &CPicdexDoc::GoNext, &CPicdexDoc::GoNext,     &CPicdexDoc::GoPrevious,
    };
    for (const bool force256 : {false, true}) {
        SCOPED_TRACE(force256 ? "256 colours" : "true colour");
        SetForce256Colors(force256);
        std::vector<std::string> walks[2];
        for (const bool readAhead : {false, true}) {
            ASSERT_TRUE(m_doc.GoTop());
            for (std::size_t i = 0; i < std::size(moves); ++i) {
                m_prompt.Clear();
                std::size_t held = 0;
                if (readAhead) {
                    m_doc.ReadAheadNeighbours();
                    held = m_doc.FinishReadAhead();
                }
                moves[i](m_doc);
                // A move to a picture read ahead takes it; one that could not be read or
                // decoded ahead is read and decoded again, as without read-ahead.
                const bool decoded = m_doc.GetPictureRecord() >= 0;
                if (readAhead && decoded) {
                    EXPECT_EQ(m_doc.FinishReadAhead(), held - 1) << "move " << i;
                }
                if (decoded) {
                    EXPECT_EQ(Shown(), Fresh()) << "move " << i;
                }
                walks[readAhead].push_back(Shown() + Joined(m_prompt.Texts()));
            }
        }
        EXPECT_EQ(walks[0], walks[1]);
    }
}

struct ChangeCase {
    const char* name;
    std::function<void(CPicdexDoc&, const std::string& folder)> change;
    std::size_t held; // pictures still read ahead afterwards
};

TEST_F(ReadAheadTest, ChangesDropWhatWasReadAhead) {
    const ChangeCase cases[] = {
        {"search", [](CPicdexDoc& doc, auto&) { ASSERT_TRUE(SearchKeyword(doc, "@k")); }, 0},
        {"sort order", [](CPicdexDoc& doc, auto&) { doc.ShowAll(OrderFamily::dateSaved, false); },
         0},
        {"add",
         [](CPicdexDoc& doc, auto&) { AddPicture(doc.Database(), "h.jpg", PatternJpeg(8, 8)); }, 0},
        {"delete", [](CPicdexDoc& doc, auto&) { doc.DeleteCurrent(); }, 0},
        {"keyword",
         [](CPicdexDoc& doc, auto&) {
             CRecordHead head, changed;
             const std::int32_t record = doc.Database().Index().GetCurrentRecord();
             ASSERT_TRUE(doc.Database().ReadHead(head, record));
             changed = head;
             changed.SetKeyword(1, "new");
             ASSERT_TRUE(doc.Database().ChangeKeywords(record, head, changed));
         },
         0},
        {"256 colours", [](CPicdexDoc&, auto&) { SetForce256Colors(true); }, 0},
        {"database",
         [](CPicdexDoc& doc, const std::string& folder) {
             CPictureDatabase& db = doc.Database();
             const std::string other = folder + "other";
             doc.Database().Close();
             ASSERT_TRUE(db.OpenDatabase(other, true));
             for (const char* name : {"x.jpg", "y.jpg", "z.jpg"})
                 AddPicture(db, name, PatternJpeg(30 + name[0] - 'x', 20));
             db.Index().GoFirst();
         },
         0},
        // Contrast changes the picture shown only; nothing read ahead is built from it.
        {"contrast", [](CPicdexDoc& doc, auto&) { AdjustContrast(*doc.GetCurrentPicture(), 50); },
         2},
    };
    m_doc.Database().Close();
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetForce256Colors(false);
        ASSERT_TRUE(m_doc.Database().OpenDatabase(File("db"), false));
        m_doc.ShowAll(OrderFamily::fileName, true);
        ASSERT_TRUE(m_doc.GoNext()); // b.jpg, between two JPEGs
        m_doc.ReadAheadNeighbours();
        ASSERT_EQ(m_doc.FinishReadAhead(), 2u);
        c.change(m_doc, m_temp.Path());
        EXPECT_EQ(m_doc.FinishReadAhead(), c.held);
        // Back and forth: every picture shown is its record's own as it stands.
        for (auto move : {&CPicdexDoc::GoPrevious, &CPicdexDoc::GoNext, &CPicdexDoc::GoNext}) {
            m_doc.ReadAheadNeighbours();
            m_doc.FinishReadAhead();
            (m_doc.*move)();
            if (m_doc.GetPictureRecord() >= 0) {
                EXPECT_EQ(Shown(), Fresh());
            }
        }
        m_doc.Database().Close();
    }
}

} // namespace
