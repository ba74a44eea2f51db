#include "collection/AddPictures.h"

#include "collection/AddSource.h"
#include "collection/GifCheck.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageType.h"
#include "imaging/PxImage.h"
#include "imaging/Thumbnail.h"
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/CommitBatch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

namespace {
constexpr std::size_t streamStep = 1024;

} // namespace

CAddPictures::CAddPictures(CPicdexDoc& doc, IAddDialogs& dialogs, IAddWindows& windows,
                           bool ignoreDuplicates)
    : m_doc(doc), m_dialogs(dialogs), m_windows(windows), m_ignoreDuplicates(ignoreDuplicates) {}

bool CAddPictures::AddPictures() {
    std::vector<CAddFileChoice> files;
    if (!m_dialogs.BrowseFiles(files))
        return false;
    Keywords keywords;
    bool saveAll = false;
    bool minimized = false;
    bool cancel = false;
    // Every listed file counts, chosen or not: it decides whether "Save &all" makes sense.
    const int fileCount = files.size() > std::size_t(std::numeric_limits<int>::max())
                              ? std::numeric_limits<int>::max()
                              : static_cast<int>(files.size());
    // The pictures stored in a row share their syncs; each is reported stored once its
    // batch is on stable storage.
    CCommitBatch batch(m_doc.Database(), CCommitBatch::command,
                       [this](bool synced, std::span<const std::int32_t> records) {
                           BatchSynced(synced, records);
                       });
    m_batch = &batch;
    for (const CAddFileChoice& file : files) {
        if (!file.chosen)
            continue;
        m_windows.BlankProperties();
        if (!HasRoomFor(file.path)) {
            ++m_failures;
            break;
        }
        AddFile(file.path, fileCount, saveAll, minimized, keywords, cancel);
        if (cancel)
            break;
        m_windows.RefreshView();
    }
    batch.Finish();
    m_batch = nullptr;
    // A main window minimized during the command stays minimized.
    m_windows.RefreshView();
    m_doc.GoBottom();
    return true;
}

bool CAddPictures::HasRoomFor(const std::string& path) {
    if (HasRoomToAdd(m_doc.Database().GetMainPath(), path))
        return true;
    ShowMessage("Cannot save. Not enough hard drive free space.");
    return false;
}

bool CAddPictures::AddFile(const std::string& path, int fileCount, bool& saveAll, bool& minimized,
                           Keywords& keywords, bool& cancel) {
    CMemFile stream(streamStep);
    cancel = false;

    if (CPicdexDoc::PictureKindOf(path) == imageGif && CheckGifFile(path) == GifCheck::no) {
        ++m_failures;
        m_skipped.push_back(path);
        return false;
    }
    // Every failure below shows its message and is counted.
    auto fail = [&](const std::string& message) {
        ShowMessage(message);
        ++m_failures;
        return false;
    };

    switch (CheckAddSource(path)) {
    case AddSource::unreadable:
        return fail("Failed to read image file");
    case AddSource::tooLarge:
        return fail("Failed to add");
    case AddSource::readable:
        break;
    }
    std::uint16_t crc = 0;
    if (!CPictureDatabase::ComputeCrc(stream, path, crc))
        return fail("Failed to read image file");

    if (!PassesDuplicateTest(stream, crc, path, minimized))
        return false;

    stream.SeekToBegin();
    if (!m_doc.LoadPicture(path, stream))
        return fail("Invalid file format. (" + path + ")");

    if (!saveAll) {
        // Nothing stored waits unsynced while the user thinks.
        SyncBeforeAsking();
        // The fields start empty for every file; the command's keywords are only copied
        // out of the dialog.
        Keywords fields;
        switch (m_dialogs.AskSave(path, fileCount > 1, fields)) {
        case SaveChoice::doNotSave:
            return false;
        case SaveChoice::cancel:
            cancel = true;
            return false;
        case SaveChoice::saveAll:
            saveAll = true;
            if (m_dialogs.AskMinimizeWhileSaving()) {
                m_windows.MinimizeMainWindow();
                minimized = true;
            }
            break;
        case SaveChoice::save:
            break;
        }
        keywords = fields;
    }

    PxImage* picture = m_doc.GetCurrentPicture();
    std::int32_t modified = -1;
    if (!GetFileModTime(path, modified))
        modified = -1;
    if (!picture)
        return fail("Failed to add");
    // The thumbnail comes from the picture decoded for the add, not from a second decode;
    // MakeThumbnail works in 256 colours whatever the option says. It is stored with the
    // record as one change; a record left without one gets it the first time it is shown.
    CPictureDatabase& database = m_doc.Database();
    CMemFile thumbnail(streamStep);
    bool made = false;
    m_adding = true;
    const bool stored = MakeThumbnail(*picture, m_doc.GetPictureKind(), thumbnail, made)
                            ? database.AddRecord(stream, crc, path, modified, picture->GetWidth(),
                                                 picture->GetHeight(), keywords, &thumbnail, made)
                            : database.AddRecord(stream, crc, path, modified, picture->GetWidth(),
                                                 picture->GetHeight(), keywords);
    m_adding = false;
    if (!stored)
        return fail("Failed to add");
    RememberNewRecord();
    return true;
}

bool CAddPictures::PassesDuplicateTest(CFile& stream, std::uint16_t crc, const std::string& path,
                                       bool minimized) {
    CPictureDatabase& database = m_doc.Database();
    CIndexFile& index = database.Index();
    // Only the one entry found (the last with the key) is compared: when its size differs the
    // file is new, even if an earlier record with this checksum has the same size.
    const std::int32_t found = index.FindExact(MakeCrcKey(crc), true);
    CIndexEntry entry;
    if (found < 0 || !index.ReadEntry(entry, found) ||
        database.GetDataSize(entry.record) != stream.GetLength())
        return true;

    CRecordHead head;
    m_doc.LoadRecord(entry.record, head);
    if (m_ignoreDuplicates)
        return false;

    SyncBeforeAsking();
    if (minimized && m_windows.IsMainWindowMinimized())
        m_windows.RestoreMainWindow();
    bool dontSaveAny = false;
    const bool store = ConfirmDuplicate(stream, path, dontSaveAny, entry.IsDeleted());
    if (!store && dontSaveAny)
        m_ignoreDuplicates = true;
    if (minimized)
        m_windows.MinimizeMainWindow();
    return store;
}

bool CAddPictures::ConfirmDuplicate(CFile& stream, const std::string& path, bool& dontSaveAny,
                                    bool deleted) {
    dontSaveAny = false;
    const int kind = CPicdexDoc::PictureKindOf(path);
    std::unique_ptr<PxImage> picture = CreateImageForType(kind);
    if (!picture)
        return false;
    stream.SeekToBegin();
    const bool decoded = picture->LoadFromFile(stream) != 0;
    // The stream belongs to the caller.
    picture->ReleaseFile();
    if (!decoded)
        return false;

    if (deleted)
        ShowMessage("Similar pic is found as a deleted record.");
    const DuplicateChoice choice = m_dialogs.AskDuplicate(*picture, path);
    dontSaveAny = choice == DuplicateChoice::doNotSaveAny;
    return choice == DuplicateChoice::save;
}

void CAddPictures::RememberNewRecord() {
    CIndexFile& index = m_doc.Database().Index();
    if (!index.GoTo(index.GetLastInserted()) || m_batch)
        return;
    // Outside a batch the add was synced before it returned.
    const std::int32_t record = index.GetCurrentRecord();
    BatchSynced(true, std::span(&record, 1));
}

void CAddPictures::BatchSynced(bool synced, std::span<const std::int32_t> records) {
    if (!synced) {
        // Stored, shown, then taken back with their batch; the file error has been shown.
        // An add that met the failure says "Failed to add" itself, once for all.
        if (!m_adding)
            ShowMessage("Failed to add");
        m_failures += static_cast<int>(records.size());
        return;
    }
    m_stored.insert(m_stored.end(), records.begin(), records.end());
    m_windows.PicturesStored(records);
}

void CAddPictures::SyncBeforeAsking() {
    if (m_batch)
        m_batch->Finish();
}
