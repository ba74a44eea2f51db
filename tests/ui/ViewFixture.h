// The picture view of the widget tests, built over a fresh temporary folder with its own
// settings, frame and prompt and its commands registered on a router; databases of small
// coloured BMP pictures kept in that folder, stored directly or through the Add command's
// core, and their live-record count; and the helpers that drive its windows.
#pragma once

#include "collection/AddPictures.h"
#include "collection/FileProperties.h"
#include "collection/PasswordCheck.h"
#include "collection/PicdexDoc.h"
#include "platform/FaultInjection.h"
#include "platform/MemFile.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandRouter.h"

#include <QAbstractButton>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The child of parent called name; null when there is none (or no parent).
template <class T> T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Presses the button called name in parent.
inline void Click(QWidget* parent, const char* name) {
    auto* button = Child<QAbstractButton>(parent, name);
    QVERIFY2(button, name);
    button->click();
}

// The texts of the fields called prefix1 .. prefix6 in parent.
inline QStringList FieldTexts(QWidget* parent, const char* prefix = "keyword") {
    QStringList texts;
    for (int i = 1; i <= 6; ++i)
        texts << Child<QLineEdit>(parent, (prefix + std::to_string(i)).c_str())->text();
    return texts;
}

// The lines of list (only the selected ones with selected), in list order.
inline QStringList Lines(QListWidget* list, bool selected = false) {
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        if (!selected || list->item(row)->isSelected())
            lines << list->item(row)->text();
    return lines;
}

// Clicks (or double-clicks) the line of list that starts with "keyword [".
inline void ClickLine(QListWidget* list, const QString& keyword, bool twice = false) {
    const auto found = list->findItems(keyword + QStringLiteral(" ["), Qt::MatchStartsWith);
    QVERIFY2(found.size() == 1, qPrintable(keyword));
    list->scrollToItem(found.first());
    const QPoint at = list->visualItemRect(found.first()).center();
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Writes a BMP of size filled with colour to path, its top-left pixel corner when given
// (it shows the orientation and tells pictures apart); false when it cannot.
inline bool WriteBmp(const QString& path, QSize size, const QColor& colour,
                     std::optional<QRgb> corner = {}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (corner)
        image.setPixel(0, 0, *corner);
    return image.save(path, "BMP");
}

// Writes a picture of colour and size to path as a BMP and stores it into db.
inline bool AddPicture(CPictureDatabase& db, const std::string& path, const QColor& colour,
                       std::int32_t created, const CPictureDatabase::Keywords& keywords,
                       QSize size = {8, 8}) {
    CMemFile bytes;
    std::uint16_t crc = 0;
    return WriteBmp(QString::fromStdString(path), size, colour) &&
           CPictureDatabase::ComputeCrc(bytes, path, crc) &&
           db.AddRecord(bytes, crc, path, created, size.width(), size.height(), keywords);
}

// The live records of the database at path, opened for reading beside any holder; -1 when
// it does not open or they cannot be counted.
inline int LiveRecords(const std::string& path) {
    CPictureDatabase db;
    CTypeCounts counts;
    return db.OpenDatabase(path, false) && CountByType(db, counts) ? counts.total : -1;
}

// Records what the core shows; answers questions from answers, No beyond them.
class CViewPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override {
        messages.emplace_back(text);
        busyAtMessage.push_back(QGuiApplication::overrideCursor() != nullptr);
    }
    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<bool> busyAtMessage;
    std::deque<bool> answers;
};

// The add flow's questions: stores every file with "&Save" (no duplicate), noting the files
// asked about and whether "Save all" was offered.
class CSaveEveryFile : public IAddDialogs {
public:
    bool BrowseFiles(std::vector<CAddFileChoice>&) override { return false; }
    SaveChoice AskSave(const std::string& path, bool saveAllEnabled,
                       CPictureDatabase::Keywords&) override {
        asked.push_back(path);
        saveAllOffered = saveAllEnabled;
        return SaveChoice::save;
    }
    DuplicateChoice AskDuplicate(PxImage&, const std::string&) override {
        return DuplicateChoice::doNotSave;
    }
    std::vector<std::string> asked;
    bool saveAllOffered = false;
};

// Records what the view asks of its frame.
class CViewFrame : public IViewFrame {
public:
    void ShowZoomPercentText(int percent) override { zoomTexts.push_back(percent); }
    void UpdateTitle() override { ++titles; }
    void UpdateModifiedPane() override { ++paneUpdates; }
    bool IsFrameMinimized() const override { return minimized; }
    void MinimizeFrame() override { minimized = true; }
    void RestoreFrame() override { minimized = false; }
    void CloseFrame() override { ++closes; }
    void StartSecondInstance(const std::string& path) override { started.push_back(path); }

    std::vector<int> zoomTexts;
    std::vector<std::string> started;
    int titles = 0;
    int paneUpdates = 0;
    int closes = 0;
    bool minimized = false;
};

// Test classes derive from this beside QObject and call OpenView() from init() and
// CloseView() from cleanup().
class CViewFixture {
protected:
    using Keywords = CPictureDatabase::Keywords;

    // Builds the view; size empty: the view is left hidden. tempHere also points TMPDIR at
    // the folder. False when the folder cannot be made or the view is not exposed.
    bool OpenView(QSize size = {300, 200}, bool tempHere = false) {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            return false;
        if (tempHere)
            qputenv("TMPDIR", m_dir->path().toUtf8());
        m_settings = {};
        m_frame = {};
        m_prompt = {};
        m_scopedPrompt = std::make_unique<CScopedPrompt>(m_prompt);
        ArmPasswordCheck();
        m_doc = std::make_unique<CPicdexDoc>();
        m_router = std::make_unique<CCommandRouter>();
        m_view = std::make_unique<CPicdexView>(*m_doc, m_frame, m_settings);
        m_view->RegisterCommands(*m_router);
        if (size.isEmpty())
            return true;
        m_view->resize(size);
        m_view->move(0, 0);
        m_view->show();
        return QTest::qWaitForWindowExposed(m_view.get());
    }

    void CloseView() {
        FaultInjection::Disarm();
        m_view.reset();
        m_router.reset();
        m_doc.reset();
        m_scopedPrompt.reset();
        m_dir.reset();
    }

    std::string Path(const QString& name) const { return m_dir->filePath(name).toStdString(); }

    // The file name, without folder, of the current record; empty when there is none.
    std::string CurrentName() {
        CRecordHead head;
        return m_doc->GetCurrentHead(head) ? GetFileName(head.FileName()) : std::string();
    }

    // The record whose file name (without folder) is name; -1 when there is none.
    std::int32_t RecordOf(const std::string& name) {
        CPictureDatabase& db = m_doc->Database();
        CIndexEntry entry;
        CRecordHead head;
        for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i)
            if (db.Index().ReadEntry(entry, i) && !entry.IsDeleted() &&
                db.ReadHead(head, entry.record) && GetFileName(head.FileName()) == name)
                return entry.record;
        return -1;
    }

    // The stored keywords of the record whose file name is name.
    Keywords KeywordsOf(const std::string& name) {
        CRecordHead head;
        Keywords keywords{"(no record)"};
        if (m_doc->Database().ReadHead(head, RecordOf(name)))
            for (std::size_t slot = 0; slot < keywords.size(); ++slot)
                keywords[slot] = head.Keyword(int(slot));
        return keywords;
    }

    // Stores the files (no two alike) through the Add command's core, thumbnails and all.
    bool AddFiles(const std::vector<std::string>& paths) {
        CSaveEveryFile dialogs;
        CAddPictures add(*m_doc, dialogs, *m_view, true);
        bool saveAll = false, minimized = false, cancel = false;
        Keywords keywords;
        for (const std::string& path : paths)
            if (!add.AddFile(path, 1, saveAll, minimized, keywords, cancel))
                return false;
        return true;
    }

    // A new database pics.PXM of the pictures (name, colour, keywords), each created at
    // created, opened in the view at its first record.
    struct SPicture {
        QString name;
        QColor colour;
        Keywords keywords{};
        QSize size{8, 8};
    };
    bool OpenPictures(const std::vector<SPicture>& pictures, std::int32_t created = -1) {
        {
            CPictureDatabase db;
            if (!db.OpenDatabase(Path("pics.PXM"), true))
                return false;
            for (const SPicture& picture : pictures)
                if (!AddPicture(db, Path(picture.name), picture.colour, created, picture.keywords,
                                picture.size))
                    return false;
        }
        return m_view->OpenInitialDatabase(Path("pics.PXM"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    CMemorySettings m_settings;
    CViewFrame m_frame;
    CViewPrompt m_prompt;
    std::unique_ptr<CScopedPrompt> m_scopedPrompt;
    std::unique_ptr<CPicdexDoc> m_doc;
    std::unique_ptr<CCommandRouter> m_router;
    std::unique_ptr<CPicdexView> m_view;
};
