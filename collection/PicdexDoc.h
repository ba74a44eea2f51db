// CPicdexDoc: the document of a running instance. It owns the open picture database, the
// current record's picture decoded into memory (one image object per format and the kind
// of the current one) and moves the cursor through the list: a key family of the index
// walked in order, or the range of a keyword search. It never opens a window: it reports
// through the prompt and tells its views what changed (IDocumentView).
#pragma once

#include "collection/DocumentView.h"
#include "collection/ReadAhead.h"
#include "imaging/ImageType.h"
#include "imaging/PxImage.h"
#include "storage/PictureDatabase.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PxGif;

class CPicdexDoc {
public:
    // Loads the default GIF beside the program on a display of 256 colours or fewer.
    CPicdexDoc();
    ~CPicdexDoc();
    CPicdexDoc(const CPicdexDoc&) = delete;
    CPicdexDoc& operator=(const CPicdexDoc&) = delete;

    void AddView(IDocumentView& view);
    void RemoveView(IDocumentView& view);

    CPictureDatabase& Database() { return m_database; }

    // The picture of the current kind; null for kind 0.
    PxImage* GetCurrentPicture();
    int GetPictureKind() const { return m_kind; }
    // The head block of the record whose picture was decoded last by LoadRecord; -1 when the
    // picture kept is not a record's (a file being added) or the last record read or
    // decoded failed, so that no other record's picture is taken for it.
    std::int32_t GetPictureRecord() const { return m_pictureRecord; }
    // No current picture; the objects stay.
    void ClearPicture() { m_kind = imageNone; }
    // 0 to 4 from the file name's extension (letter case ignored).
    static int PictureKindOf(std::string_view fileName);

    // Decodes stream as a picture of fileName's kind; true when it was decoded.
    bool LoadPicture(std::string_view fileName, CFile& stream);
    // Reads the record at recordBlock and loads its picture; a record without a thumbnail
    // gets one. False when the record cannot be read; true even when it cannot be decoded.
    bool LoadRecord(std::int32_t recordBlock, CRecordHead& head);
    // Makes entry current and loads its record.
    bool ShowEntry(const CIndexEntry& entry);
    // Reads the current entry again and loads its record.
    bool ReloadCurrent();

    // Moves through the list, skipping deleted entries; false only when the list is empty
    // (or every entry of it is deleted: "Data not found", back to the full list by name).
    bool GoTop();
    bool GoBottom();
    bool GoNext();
    bool GoPrevious();

    // Ends any search, sets the list mode (0 by date saved, 1 by name), goes to the top
    // when asked and tells the views the whole list changed.
    void ShowAll(int listMode, bool goTop);
    int GetListMode() const { return m_database.Index().GetOrder(); }

    // Flags the current record's entries deleted and unmarks it.
    bool DeleteCurrent();
    // The delete command: asks "Delete the picture?", deletes, moves on as GoNext. True
    // when the record was deleted; false for No or after a failure (its message was shown).
    bool DeleteCommand();
    // The current entry's record head; false when there is no current entry.
    bool GetCurrentHead(CRecordHead& head);

    // The palette shared by the browsers on 256-colour displays; null without "PDXDef.GIF".
    PxGif* GetDefaultGif() { return m_defaultGif.get(); }

    // Read-ahead: while the user looks at the current picture, the records before and after
    // it in the list are decoded in the background, so that GoNext and GoPrevious (and every
    // other load of those records) find them decoded. Moves, messages and pictures are the
    // same as without it; a picture read ahead is used only while its record's head, the
    // database, the list and the 256-colour option are as when it was read. The window
    // calls ReadAheadNeighbours once the picture is shown; the records are read at once,
    // quietly (a record that cannot be read is left to the move, which reports it), and
    // decoded by a worker thread that the destructor joins.
    void ReadAheadNeighbours();
    // Drops every picture read ahead.
    void DropReadAhead();
    // Waits for the pictures being read ahead; then the records held, after dropping them
    // when something they depend on changed.
    std::size_t FinishReadAhead();

private:
    enum class Move { top, bottom, next, previous };
    bool MoveCursor(Move move);
    // One step of the cursor in the list; false when the index has nothing to go to.
    bool Step(Move move);
    // Passes over deleted entries in the direction onward; false, cursor anywhere, when
    // every entry of the list is deleted or the index fails.
    bool SkipDeleted(Move onward);
    // The record the move would show, the cursor left where it is; -1 for none.
    std::int32_t PeekRecord(Move move);
    bool StoreMissingThumbnail(std::int32_t recordBlock);
    // Tells the views a new picture is current.
    void PictureShown();
    // Shows the picture of recordBlock read ahead, when it is held and still valid.
    bool LoadReadAhead(std::int32_t recordBlock, CRecordHead& head);
    // What pictures read ahead depend on besides their record's head.
    struct ReadAheadState {
        std::string mainPath;
        bool force256 = false;
        int order = 0;
        std::string searchKey;
        std::int32_t searchFirst = -1;
        std::int32_t searchLast = -1;
        std::int32_t entries = -1;
        std::int32_t generation = -1;
        bool operator==(const ReadAheadState&) const = default;
    };
    ReadAheadState CurrentReadAheadState();
    // Drops what was read ahead when the state changed since.
    void CheckReadAheadState();
    // A new image object of kind (imageJpeg to imageTiff).
    static std::unique_ptr<PxImage> MakeImage(int kind);
    template <class Call> void ForEachView(Call call);

    int m_kind = imageNone;
    std::int32_t m_pictureRecord = -1;
    // The image object of each kind, by kind; a new one for every picture decoded.
    std::array<std::unique_ptr<PxImage>, imageTiff + 1> m_images;
    CPictureDatabase m_database;
    std::unique_ptr<PxGif> m_defaultGif;
    std::vector<IDocumentView*> m_views;
    ReadAheadState m_readAheadState;
    // Pixel blocks of pictures no longer shown, for the next pictures read ahead.
    std::vector<std::vector<std::uint8_t>> m_spareBlocks;
    // Last member, so destroyed first: its worker is joined before the rest goes.
    CReadAhead m_readAhead;
};
