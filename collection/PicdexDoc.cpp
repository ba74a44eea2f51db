#include "collection/PicdexDoc.h"

#include "imaging/ImageOptions.h"
#include "imaging/PxDib.h"
#include "imaging/PxGif.h"
#include "imaging/PxJpeg.h"
#include "imaging/PxTiff.h"
#include "imaging/Thumbnail.h"
#include "platform/DataFolder.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <vector>

namespace {
// Growth steps of the streams a record is read into.
constexpr std::size_t pictureStreamStep = 65536;
constexpr std::size_t thumbnailStreamStep = 8192;

// Decodes stream into a fresh object of class Image held in slot. The object lets go of the
// stream afterwards, so nothing refers to it once the record is loaded.
template <class Image> bool Decode(std::unique_ptr<Image>& slot, CFile& stream) {
    slot = std::make_unique<Image>();
    bool ok = slot->LoadFromFile(stream) != 0;
    slot->ReleaseFile();
    return ok;
}
} // namespace

CPicdexDoc::CPicdexDoc() {
    if (!Force256Colors())
        return;
    const std::string path = DataFolder() + "PDXDef.GIF";
    if (!FileExists(path))
        return;
    m_defaultGif = std::make_unique<PxGif>();
    if (!m_defaultGif->LoadFromPath(path))
        m_defaultGif.reset();
}

CPicdexDoc::~CPicdexDoc() = default;

void CPicdexDoc::AddView(IDocumentView& view) {
    m_views.push_back(&view);
}

void CPicdexDoc::RemoveView(IDocumentView& view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), &view), m_views.end());
}

template <class Call> void CPicdexDoc::ForEachView(Call call) {
    for (IDocumentView* view : m_views)
        call(*view);
}

PxImage* CPicdexDoc::GetCurrentPicture() {
    switch (m_kind) {
    case imageJpeg:
        return m_jpeg.get();
    case imageBmp:
        return m_dib.get();
    case imageGif:
        return m_gif.get();
    case imageTiff:
        return m_tiff.get();
    default:
        return nullptr;
    }
}

int CPicdexDoc::PictureKindOf(std::string_view fileName) {
    return ImageTypeFromPath(fileName);
}

bool CPicdexDoc::LoadPicture(std::string_view fileName, CFile& stream) {
    m_pictureRecord = -1;
    const int kind = PictureKindOf(fileName);
    bool decoded = false;
    switch (kind) {
    case imageJpeg:
        decoded = Decode(m_jpeg, stream);
        break;
    case imageBmp:
        decoded = Decode(m_dib, stream);
        break;
    case imageGif:
        decoded = Decode(m_gif, stream);
        break;
    case imageTiff:
        decoded = Decode(m_tiff, stream);
        break;
    default:
        return false;
    }
    if (decoded) {
        m_kind = kind;
        ForEachView([](IDocumentView& view) {
            view.ResetPicture();
            view.ZoomTo100();
            view.RecomputeSizes();
            view.RealizePalette();
        });
    } else if (m_kind == kind) {
        // The object of this kind was replaced by the failed one: nothing is left to show.
        m_kind = imageNone;
    }
    ForEachView([](IDocumentView& view) { view.UpdateFrame(); });
    return decoded;
}

bool CPicdexDoc::StoreMissingThumbnail(std::int32_t recordBlock) {
    PxImage* picture = GetCurrentPicture();
    // A reader cannot store anything; the thumbnail is made when the writer shows it.
    if (!picture || m_database.IsReadOnly() || m_database.Main().IsReadOnly())
        return false;
    CMemFile thumbnail(thumbnailStreamStep);
    bool made = false;
    if (!MakeThumbnail(*picture, m_kind, thumbnail, made))
        return false;
    return m_database.SetThumbnail(&thumbnail, recordBlock, made) != 0;
}

bool CPicdexDoc::LoadRecord(std::int32_t recordBlock, CRecordHead& head) {
    CMemFile picture(pictureStreamStep);
    m_pictureRecord = -1;
    if (recordBlock < 0 || !m_database.ReadPicture(picture, recordBlock, head))
        return false;
    picture.SeekToBegin();
    // Only this record's own picture may become its thumbnail: when it cannot be decoded
    // the picture still shown belongs to another record.
    if (!LoadPicture(head.FileName(), picture))
        return true;
    m_pictureRecord = recordBlock;
    if (head.ThumbnailBlock() == 0)
        StoreMissingThumbnail(recordBlock);
    return true;
}

bool CPicdexDoc::ShowEntry(const CIndexEntry& entry) {
    m_database.Index().SetCurrent(entry);
    CRecordHead head;
    return LoadRecord(entry.record, head);
}

bool CPicdexDoc::ReloadCurrent() {
    CIndexFile& index = m_database.Index();
    CIndexEntry entry;
    if (index.GetCurrentNumber() < 0 || !index.ReadEntry(entry, index.GetCurrentNumber()))
        return false;
    index.SetCurrent(entry);
    CRecordHead head;
    return LoadRecord(entry.record, head);
}

bool CPicdexDoc::Step(Move move) {
    CIndexFile& index = m_database.Index();
    bool wrapped = false;
    if (!m_database.IsSearching()) {
        switch (move) {
        case Move::top:
            return index.GoFirst();
        case Move::bottom:
            return index.GoLast();
        case Move::next:
            return index.GoNext(wrapped);
        case Move::previous:
            return index.GoPrevious(wrapped);
        }
    }
    // Inside a search range: wrap from its last entry to its first and back.
    const std::int32_t first = m_database.GetSearchFirst();
    const std::int32_t last = m_database.GetSearchLast();
    const CIndexEntry& current = index.Current();
    switch (move) {
    case Move::top:
        return index.GoTo(first);
    case Move::bottom:
        return index.GoTo(last);
    case Move::next:
        return index.GoTo(current.number == last || current.next == -1 ? first : current.next);
    case Move::previous:
        return index.GoTo(current.number == first || current.previous == -1 ? last
                                                                            : current.previous);
    }
    return false;
}

bool CPicdexDoc::MoveCursor(Move move) {
    ForEachView([](IDocumentView& view) { view.CommitPendingEdits(); });
    ForEachView([](IDocumentView& view) { view.SetRedraw(false); });
    auto finish = [&] {
        ForEachView([](IDocumentView& view) {
            view.SetRedraw(true);
            view.RealizePalette();
            view.Repaint();
            view.ShowCurrentRecord();
        });
    };
    if (!Step(move)) {
        finish();
        return false;
    }
    // Deleted entries are passed over in the direction of the move; coming back to the
    // first one looked at means every entry of the list is deleted.
    CIndexFile& index = m_database.Index();
    const Move onward = (move == Move::top || move == Move::next) ? Move::next : Move::previous;
    const std::int32_t start = index.GetCurrentNumber();
    std::int32_t budget = std::max<std::int32_t>(index.EntryCount(), 0) + 1;
    while (index.Current().IsDeleted()) {
        if (!Step(onward) || --budget <= 0 || index.GetCurrentNumber() == start) {
            ShowMessage("Data not found");
            ShowAll(OrderFamily::fileName, false);
            m_kind = imageNone;
            finish();
            return false;
        }
    }
    CRecordHead head;
    LoadRecord(index.GetCurrentRecord(), head);
    finish();
    return true;
}

bool CPicdexDoc::GoTop() {
    return MoveCursor(Move::top);
}
bool CPicdexDoc::GoBottom() {
    return MoveCursor(Move::bottom);
}
bool CPicdexDoc::GoNext() {
    return MoveCursor(Move::next);
}
bool CPicdexDoc::GoPrevious() {
    return MoveCursor(Move::previous);
}

void CPicdexDoc::ShowAll(int listMode, bool goTop) {
    m_database.EndSearch();
    m_database.Index().SetOrder(listMode);
    if (goTop)
        GoTop();
    ForEachView([](IDocumentView& view) { view.UpdateAll(); });
}

bool CPicdexDoc::GetCurrentHead(CRecordHead& head) {
    const std::int32_t record = m_database.Index().GetCurrentRecord();
    return record >= 0 && m_database.ReadHead(head, record);
}

bool CPicdexDoc::DeleteCurrent() {
    CRecordHead head;
    if (!GetCurrentHead(head))
        return false;
    CIndexFile& index = m_database.Index();
    const std::int32_t record = index.GetCurrentRecord();
    if (!m_database.DeleteRecord(record, head))
        return false;
    // Deleting goes by the keys the head gives; a damaged head gives keys its entries do
    // not carry, and the record would stay in the list. The entry shown leaves it anyway.
    CIndexEntry current;
    if (index.ReadEntry(current, index.GetCurrentNumber()) && !current.IsDeleted() &&
        (!index.MarkDeleted(current.number) || !m_database.Commit()))
        return false;
    m_database.Marks().Unmark(record);
    return true;
}

bool CPicdexDoc::DeleteCommand() {
    if (!AskYesNo("Delete the picture?"))
        return false;
    const bool deleted = DeleteCurrent();
    GoNext();
    if (!m_database.Marks().Exists())
        ForEachView([](IDocumentView& view) { view.HideMarkBar(); });
    return deleted;
}
