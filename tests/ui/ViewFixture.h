// The picture view of the widget tests, built over a fresh temporary folder with its own
// settings, frame and prompt and its commands registered on a router; and databases of
// small coloured BMP pictures kept in that folder.
#pragma once

#include "collection/PasswordCheck.h"
#include "collection/PicdexDoc.h"
#include "platform/FaultInjection.h"
#include "platform/MemFile.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandRouter.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The child of parent called name; null when there is none (or no parent).
template <class T> T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Test classes derive from this beside QObject and call OpenView() from init() and
// CloseView() from cleanup().
template <class Frame, class Prompt> class CViewFixture {
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

    // Stores an 8 × 8 picture of colour, written to the folder as name, into db.
    static bool AddPicture(CPictureDatabase& db, const std::string& path, const QColor& colour,
                           std::int32_t created, const Keywords& keywords) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        CMemFile bytes;
        std::uint16_t crc = 0;
        return image.save(QString::fromStdString(path), "BMP") &&
               CPictureDatabase::ComputeCrc(bytes, path, crc) &&
               db.AddRecord(bytes, crc, path, created, 8, 8, keywords);
    }

    // A new database pics.PXM of the pictures (name, colour, keywords), each created at
    // created, opened in the view at its first record.
    struct SPicture {
        QString name;
        QColor colour;
        Keywords keywords{};
    };
    bool OpenPictures(const std::vector<SPicture>& pictures, std::int32_t created) {
        {
            CPictureDatabase db;
            if (!db.OpenDatabase(Path("pics.PXM"), true))
                return false;
            for (const SPicture& picture : pictures)
                if (!AddPicture(db, Path(picture.name), picture.colour, created, picture.keywords))
                    return false;
        }
        return m_view->OpenInitialDatabase(Path("pics.PXM"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    CMemorySettings m_settings;
    Frame m_frame;
    Prompt m_prompt;
    std::unique_ptr<CScopedPrompt> m_scopedPrompt;
    std::unique_ptr<CPicdexDoc> m_doc;
    std::unique_ptr<CCommandRouter> m_router;
    std::unique_ptr<CPicdexView> m_view;
};
