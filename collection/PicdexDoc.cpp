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

// Stands in for the prompt while records are read ahead: a failure there is reported by
// the move that reads the record for itself.
class CQuietPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};
} // namespace

std::unique_ptr<PxImage> CPicdexDoc::MakeImage(int kind) {
    switch (kind) {
    case imageJpeg:
        return std::make_unique<PxJpeg>();
    case imageBmp:
        return std::make_unique<PxDib>();
    case imageGif:
        return std::make_unique<PxGif>();
    case imageTiff:
        return std::make_unique<PxTiff>();
    default:
        return nullptr;
    }
}

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
    return m_kind > imageNone && m_kind <= imageTiff ? m_images[m_kind].get() : nullptr;
}

int CPicdexDoc::PictureKindOf(std::string_view fileName) {
    return ImageTypeFromPath(fileName);
}

bool CPicdexDoc::LoadPicture(std::string_view fileName, CFile& stream) {
    m_pictureRecord = -1;
    const int kind = PictureKindOf(fileName);
    std::unique_ptr<PxImage> image = MakeImage(kind);
    if (!image)
        return false;
    // A fresh object (it reads the 256-colour option when made) that decodes into the
    // pixel block of the one it replaces, which a large picture would otherwise map anew.
    std::unique_ptr<PxImage>& slot = m_images[kind];
    if (slot)
        image->KeepPixelBlock(slot->TakePixelBlock());
    slot = std::move(image);
    // The object lets go of the stream afterwards, so nothing refers to it once loaded.
    const bool decoded = slot->LoadFromFile(stream) != 0;
    slot->ReleaseFile();
    if (decoded) {
        m_kind = kind;
        PictureShown();
        return true;
    }
    // The object of this kind was replaced by the failed one: nothing is left to show.
    if (m_kind == kind)
        m_kind = imageNone;
    ForEachView([](IDocumentView& view) { view.UpdateFrame(); });
    return false;
}

void CPicdexDoc::PictureShown() {
    ForEachView([](IDocumentView& view) {
        view.ResetPicture();
        view.ZoomTo100();
        view.RecomputeSizes();
        view.RealizePalette();
    });
    ForEachView([](IDocumentView& view) { view.UpdateFrame(); });
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
    m_pictureRecord = -1;
    if (recordBlock < 0)
        return false;
    if (!LoadReadAhead(recordBlock, head)) {
        CMemFile picture(pictureStreamStep);
        if (!m_database.ReadPicture(picture, recordBlock, head))
            return false;
        picture.SeekToBegin();
        // Only this record's own picture may become its thumbnail: when it cannot be
        // decoded the picture still shown belongs to another record.
        if (!LoadPicture(head.FileName(), picture))
            return true;
    }
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
    const Move onward = (move == Move::top || move == Move::next) ? Move::next : Move::previous;
    if (!SkipDeleted(onward)) {
        ShowMessage("Data not found");
        ShowAll(OrderFamily::fileName, false);
        m_kind = imageNone;
        finish();
        return false;
    }
    CIndexFile& index = m_database.Index();
    CRecordHead head;
    LoadRecord(index.GetCurrentRecord(), head);
    finish();
    return true;
}

bool CPicdexDoc::SkipDeleted(Move onward) {
    // Coming back to the first entry looked at means every entry of the list is deleted.
    CIndexFile& index = m_database.Index();
    const std::int32_t start = index.GetCurrentNumber();
    std::int32_t budget = std::max<std::int32_t>(index.EntryCount(), 0) + 1;
    while (index.Current().IsDeleted()) {
        if (!Step(onward) || --budget <= 0 || index.GetCurrentNumber() == start)
            return false;
    }
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
    DropReadAhead();
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
    DropReadAhead();
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

// ---- Read-ahead ----

CPicdexDoc::ReadAheadState CPicdexDoc::CurrentReadAheadState() {
    CIndexFile& index = m_database.Index();
    ReadAheadState state;
    state.mainPath = m_database.GetMainPath();
    state.force256 = Force256Colors();
    state.order = index.GetOrder();
    state.searchKey = m_database.GetSearchKey();
    state.searchFirst = m_database.GetSearchFirst();
    state.searchLast = m_database.GetSearchLast();
    state.entries = m_database.IsOpen() ? index.EntryCount() : -1;
    state.generation = index.GetHeader().generation;
    return state;
}

void CPicdexDoc::CheckReadAheadState() {
    ReadAheadState state = CurrentReadAheadState();
    if (state == m_readAheadState)
        return;
    DropReadAhead();
    m_readAheadState = std::move(state);
}

void CPicdexDoc::DropReadAhead() {
    for (auto& block : m_readAhead.KeepOnly({}))
        m_spareBlocks.push_back(std::move(block));
    m_spareBlocks.resize(std::min(m_spareBlocks.size(), CReadAhead::Capacity()));
}

std::int32_t CPicdexDoc::PeekRecord(Move move) {
    CIndexFile& index = m_database.Index();
    const CIndexEntry saved = index.Current();
    const Move onward = move == Move::previous ? Move::previous : Move::next;
    const std::int32_t record = Step(move) && SkipDeleted(onward) ? index.GetCurrentRecord() : -1;
    index.SetCurrent(saved);
    return record;
}

void CPicdexDoc::ReadAheadNeighbours() {
    CheckReadAheadState();
    if (!m_database.IsOpen() || m_database.Index().GetCurrentNumber() < 0) {
        m_spareBlocks.clear();
        return;
    }
    CQuietPrompt quiet;
    CScopedPrompt scope(quiet);
    const std::int32_t current = m_database.Index().GetCurrentRecord();
    std::vector<std::int32_t> wanted;
    for (const Move move : {Move::next, Move::previous}) {
        const std::int32_t record = PeekRecord(move);
        if (record >= 0 && record != current &&
            std::find(wanted.begin(), wanted.end(), record) == wanted.end())
            wanted.push_back(record);
    }
    for (auto& block : m_readAhead.KeepOnly(wanted))
        m_spareBlocks.push_back(std::move(block));
    for (const std::int32_t record : wanted) {
        if (m_readAhead.Holds(record))
            continue;
        CReadAhead::Picture picture;
        picture.record = record;
        picture.bytes = std::make_unique<CMemFile>(pictureStreamStep);
        if (!m_database.ReadPicture(*picture.bytes, record, picture.head))
            continue;
        picture.kind = PictureKindOf(picture.head.FileName());
        picture.image = MakeImage(picture.kind);
        if (!picture.image)
            continue;
        if (!m_spareBlocks.empty()) {
            picture.image->KeepPixelBlock(std::move(m_spareBlocks.back()));
            m_spareBlocks.pop_back();
        }
        m_readAhead.Add(std::move(picture));
    }
    // Blocks not taken now would only add to the pictures held.
    m_spareBlocks.clear();
}

std::size_t CPicdexDoc::FinishReadAhead() {
    m_readAhead.Wait();
    CheckReadAheadState();
    return m_readAhead.Count();
}

bool CPicdexDoc::LoadReadAhead(std::int32_t recordBlock, CRecordHead& head) {
    CheckReadAheadState();
    if (!m_readAhead.Holds(recordBlock))
        return false;
    std::unique_ptr<CReadAhead::Picture> picture = m_readAhead.Take(recordBlock);
    if (!picture)
        return false;
    {
        // A head that cannot be read now is left to the plain load, which reports it.
        CQuietPrompt quiet;
        CScopedPrompt scope(quiet);
        if (!m_database.ReadHead(head, recordBlock) || !(head == picture->head))
            return false;
    }
    std::unique_ptr<PxImage>& slot = m_images[picture->kind];
    if (slot) {
        m_spareBlocks.push_back(slot->TakePixelBlock());
        m_spareBlocks.resize(std::min(m_spareBlocks.size(), CReadAhead::Capacity()));
    }
    slot = std::move(picture->image);
    m_kind = picture->kind;
    PictureShown();
    return true;
}
