// The clean-up of the folder that dragged-out pictures are written to: files older than a
// day go, younger ones, folders and other folders' files stay, on its own and when the
// picture view goes.
#include "ui/DragFolder.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "platform/FileSystem.h"
#include "ui/PicdexView.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

class DragFolderTest : public QObject {
    Q_OBJECT

    // A file name in the drag folder (or in folder) written age seconds before now.
    std::string WriteAged(const QString& name, std::int64_t age, QString folder = {}) {
        const QString path = (folder.isEmpty() ? m_folder : folder) + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("picture") != 7)
            return {};
        file.close();
        return SetFileModTime(path.toStdString(), std::int32_t(m_now - age)) ? path.toStdString()
                                                                             : std::string();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::int64_t m_now = std::time(nullptr);

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("TMPDIR", m_dir->path().toUtf8());
        m_folder = QString::fromStdString(DragFolderPath());
        QVERIFY(m_folder.startsWith(m_dir->path()) && QDir().mkpath(m_folder));
    }
    void cleanup() { m_dir.reset(); }

    void filesOlderThanADayAreDeleted() {
        const std::int64_t day = 86400;
        const std::string kept[] = {WriteAged("young.jpg", 3600), WriteAged("boundary.gif", day),
                                    WriteAged("other.jpg", 2 * day, m_dir->path() + "/")};
        const std::string gone[] = {WriteAged("old.jpg", 2 * day), WriteAged("older.bmp", day + 1)};
        QVERIFY(QDir().mkpath(m_folder + "sub.jpg"));
        QCOMPARE(RemoveOldDragFiles(m_folder.toStdString(), m_now), 2);
        for (const std::string& path : kept)
            QVERIFY2(!path.empty() && FileExists(path), path.c_str());
        for (const std::string& path : gone)
            QVERIFY2(!path.empty() && !FileExists(path), path.c_str());
        QVERIFY(QDir(m_folder + "sub.jpg").exists());
        QCOMPARE(RemoveOldDragFiles(m_dir->path().toStdString() + "/none/", 0), 0);
    }

    void theViewCleansTheFolderWhenItGoes() {
        const std::string young = WriteAged("young.jpg", 3600);
        const std::string old = WriteAged("old.jpg", 2 * 86400);
        {
            CPicdexDoc doc;
            CMemorySettings settings;
            IViewFrame frame;
            CPicdexView view(doc, frame, settings);
            QVERIFY(FileExists(old));
        }
        QVERIFY(FileExists(young) && !FileExists(old));
    }
};

QTEST_MAIN(DragFolderTest)
#include "DragFolderTest.moc"
