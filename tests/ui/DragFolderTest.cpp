// The clean-up of the folder that dragged-out pictures are written to: by age, on its own
// and when the picture view goes.
#include "ui/DragFolder.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "platform/FileSystem.h"
#include "ui/PicdexView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

constexpr std::int64_t hour = 3600;
constexpr std::int64_t day = 86400;

class CSilentFrame : public IViewFrame {};

} // namespace

class DragFolderTest : public QObject {
    Q_OBJECT

private:
    // A file in folder written `age` seconds before now.
    static std::string WriteAged(const QString& folder, const QString& name, std::int64_t now,
                                 std::int64_t age) {
        const QString path = folder + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("picture") != 7)
            return {};
        file.close();
        return SetFileModTime(path.toStdString(), std::int32_t(now - age)) ? path.toStdString()
                                                                           : std::string();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("TMPDIR", m_dir->path().toUtf8());
        m_folder = m_dir->path() + "/PDX/";
        QVERIFY(QDir().mkpath(m_folder));
    }
    void cleanup() { m_dir.reset(); }

    void pathIsThePdxFolderInsideTheTemporaryFolder() {
        QCOMPARE(QString::fromStdString(DragFolderPath()), m_folder);
    }

    void filesOlderThanADayAreDeleted() {
        const std::int64_t now = std::time(nullptr);
        const std::string young = WriteAged(m_folder, "young.jpg", now, hour);
        const std::string old = WriteAged(m_folder, "old.jpg", now, 2 * day);
        const std::string boundary = WriteAged(m_folder, "boundary.gif", now, day);
        const std::string older = WriteAged(m_folder, "older.bmp", now, day + 1);
        QVERIFY(!young.empty() && !old.empty() && !boundary.empty() && !older.empty());
        QVERIFY(QDir().mkpath(m_folder + "sub.jpg"));

        QCOMPARE(RemoveOldDragFiles(m_folder.toStdString(), now), 2);
        QVERIFY(FileExists(young));
        QVERIFY(FileExists(boundary)); // exactly one day old is not yet before now
        QVERIFY(!FileExists(old));
        QVERIFY(!FileExists(older));
        QVERIFY(QDir(m_folder + "sub.jpg").exists());
        QCOMPARE(RemoveOldDragFiles(m_folder.toStdString(), now), 0);
    }

    void aMissingFolderRemovesNothing() {
        QCOMPARE(RemoveOldDragFiles(m_dir->path().toStdString() + "/none/", 0), 0);
    }

    void theViewCleansTheFolderWhenItGoes() {
        const std::int64_t now = std::time(nullptr);
        const std::string young = WriteAged(m_folder, "young.jpg", now, hour);
        const std::string old = WriteAged(m_folder, "old.jpg", now, 2 * day);
        {
            CPicdexDoc doc;
            CMemorySettings settings;
            CSilentFrame frame;
            CPicdexView view(doc, frame, settings);
            QVERIFY(FileExists(old));
        }
        QVERIFY(FileExists(young));
        QVERIFY(!FileExists(old));
    }
};

QTEST_MAIN(DragFolderTest)
#include "DragFolderTest.moc"
