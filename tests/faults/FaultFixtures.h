// The prepared databases of the fault tests and the scripted windows their commands meet.
//
// Two databases are made once per test program through the real add flow, from small
// corpus pictures of every kind (a GIF that serves as its own thumbnail, stored GIF
// thumbnails of the others, keywords in several slots, one deleted record):
//   db:    treescap.gif {tree}, testorig.jpg {sea, sky}, bmpsuite-pal8.bmp {},
//          palette-1c-4b.tiff {cat, Grey}, testimgp.jpg {gone} deleted
//   other: porsche-screen400x300.gif {car}, testorig.jpg {sea} (the same picture as in db)
#pragma once

#include "collection/AddDialogs.h"
#include "collection/DataExchange.h"
#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "faults/FaultSweep.h"
#include "support/ScriptedMarkUi.h"

#include <string>
#include <vector>

// The folder holding db.PXM/.PXI and other.PXM/.PXI, built on first use; "" when the
// picture corpus is absent (the test is then skipped, or failed under CI=true).
std::string PreparedFolder();
// The corpus folder with its trailing "/"; "" as above.
std::string CorpusFolder();

// The Add command's windows: the browser lists the files, the "Save" dialog answers "&Save"
// with the keywords listed for its file, duplicates are not stored.
class CScriptedAddDialogs : public IAddDialogs, public IAddWindows {
public:
    bool BrowseFiles(std::vector<CAddFileChoice>& files) override;
    SaveChoice AskSave(const std::string& path, bool saveAllEnabled,
                       CPictureDatabase::Keywords& keywords) override;
    DuplicateChoice AskDuplicate(PxImage& picture, const std::string& path) override;

    // Each file's path and its keywords; with m_saveAll the first "Save" dialog answers
    // "Save &all" (the first file's keywords then go to every file).
    std::vector<std::pair<std::string, CPictureDatabase::Keywords>> m_files;
    bool m_saveAll = false;
};

// Opens the document's database at base and makes the record at block current in the
// full list by name; false when either fails.
bool OpenDocumentAt(CPicdexDoc& doc, const std::string& base, std::int32_t block);

// A document with the marked-data commands on it, their windows answering what the test set.
struct CMarkedDocument {
    // Opens the database at base with the record at current shown and marks the records of
    // marked in order; false when the database or current cannot be opened.
    bool Open(const std::string& base, std::int32_t current,
              const std::vector<std::int32_t>& marked);

    CPicdexDoc doc;
    CScriptedMarkUi ui;
    CMemorySettings settings;
    CMarkCommands commands{doc, ui, ui, settings};
};

// The data exchange's dialog, which asks for both directions with destination, and its
// progress, which starts at once.
class CScriptedExchange : public IDataExchangeDialog, public IExchangeProgress {
public:
    explicit CScriptedExchange(std::string destination) : m_destination(std::move(destination)) {}
    bool AskExchange(const std::string&, int& direction, std::string& destination) override {
        direction = ExchangeDirection::both;
        destination = m_destination;
        return true;
    }
    bool AskStart(std::string_view) override { return true; }
    void ShowProgress(std::string_view) override {}

private:
    std::string m_destination;
};

// A fault sweep over copies of the prepared databases.
class CPreparedFaultTest : public CFaultSweepTest {
protected:
    // Has the prepared databases named (without extension) copied into the run folder under
    // the same names before each run. False when the corpus is absent: the test returns.
    bool UsePrepared(const std::vector<std::string>& names);
    // The state of a prepared database.
    static CDatabaseState Prepared(const std::string& name);
    // The whole content of a prepared file ("db.PXM", ...).
    static std::vector<std::uint8_t> PreparedBytes(const std::string& fileName);
    // Whether the run folder's copy of the prepared database name holds its bytes still.
    bool IsPrepared(const std::string& name) const;
};

// A fault sweep over a copy of db with testorig.jpg shown and treescap.gif and
// palette-1c-4b.tiff marked, all three allowed to change; m_shown stays -1 without the corpus.
class CShownAndMarkedFaultTest : public CPreparedFaultTest {
protected:
    void SetUp() override;

    std::int32_t m_shown = -1;
    std::vector<std::int32_t> m_marked;
};
