// Tools > Reconstruct through its windows, headless: a real database in a temporary folder,
// the dialogs driven as a user would, the frame replaced by a recorder of the hand-over.
#include "SmallDatabase.h"
#include "WhenModal.h"

#include "platform/FileSystem.h"
#include "storage/Reconstruction.h"
#include "ui/ViewFixture.h"
#include "ui/dialogs/ReconstructProgressDialog.h"

#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

class ReconstructDialogsTest : public QObject, CViewFixture<> {
    Q_OBJECT

private:
    // Three pictures, the middle one deleted, open in the view.
    void OpenDatabaseWithDeletedRecord() {
        {
            CPictureDatabase db;
            QVERIFY(db.OpenDatabase(Path("pics.PXM"), true) && AddPictures(db, 0, 3));
            CIndexEntry entry;
            CRecordHead head;
            QVERIFY(db.Index().ReadEntry(entry, 1) && db.ReadHead(head, entry.record) &&
                    db.DeleteRecord(entry.record, head));
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
        m_mainPath = m_doc->Database().GetMainPath();
        m_blocks = m_doc->Database().Main().BlockCount();
        m_entries = m_doc->Database().Index().EntryCount();
    }

    // Answers the "Reconstruction" dialog with choice (Control held when asked), then presses
    // "&Start" in the progress dialog, recording what its counter showed.
    void AnswerReconstruction(const char* choice, bool control = false) {
        WhenModal([this, choice, control](QWidget* dialog) {
            Child<QRadioButton>(dialog, choice)->setChecked(true);
            WhenModal([this](QWidget* modal) {
                if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                    files->selectFile(QString::fromStdString(Path("copy.PXM")));
                    WhenModal([this](QWidget* progress) { PressStart(progress); });
                    static_cast<QDialog*>(files)->accept();
                } else {
                    PressStart(modal);
                }
            });
            QTest::mouseClick(Child<QPushButton>(dialog, "ok"), Qt::LeftButton,
                              control ? Qt::ControlModifier : Qt::NoModifier);
        });
    }

    void PressStart(QWidget* dialog) {
        auto* progress = qobject_cast<CReconstructProgressDialog*>(dialog);
        QVERIFY(progress);
        connect(progress, &CReconstructProgressDialog::progressShown, this,
                [this](int done, int total) { m_shown.emplace_back(done, total); });
        QTest::mouseClick(Child<QPushButton>(dialog, "start"), Qt::LeftButton);
    }

    std::vector<std::pair<int, int>> m_shown;
    std::string m_mainPath;
    int m_blocks = 0;
    int m_entries = 0;

private slots:
    void init() {
        m_shown.clear();
        QVERIFY(OpenView());
    }
    void cleanup() { CloseView(); }

    // Both builds run to the end with their progress shown, hand the database to a new
    // instance (its files closed first) and end this one; the new instance's swap installs
    // the new file.
    void buildHandsOverAndTheSwapInstallsIt_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("liveAfterSwap");
        QTest::newRow("index: the deleted record comes back") << "indexFile" << 3;
        QTest::newRow("main file: only the live records") << "mainFile" << 2;
    }
    void buildHandsOverAndTheSwapInstallsIt() {
        QFETCH(QString, choice);
        QFETCH(int, liveAfterSwap);
        OpenDatabaseWithDeletedRecord();
        const bool index = choice == "indexFile";
        AnswerReconstruction(index ? "indexFile" : "mainFile");
        QCOMPARE(m_router->Run(CommandId::reconstruct), 1);

        // The index steps through the blocks after the header; the main file's copy
        // through the entries of the old index.
        QVERIFY(!m_shown.empty());
        QCOMPARE(m_shown.back(),
                 index ? std::pair(m_blocks - 1, m_blocks) : std::pair(m_entries, m_entries));
        QCOMPARE(m_frame.started, std::vector<std::string>{m_mainPath});
        QVERIFY(m_frame.closes == 1 && !m_doc->Database().IsOpen() && m_prompt.messages.empty());

        QCOMPARE(CompletePendingReconstruction(m_mainPath), 1);
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Finished reconstructing file."});
        CPictureDatabase swapped;
        QVERIFY(swapped.OpenDatabase(m_mainPath, false));
        QCOMPARE(LiveRecords(swapped), liveAfterSwap);
    }

    // With Control held at OK the main file is copied into a database the user names; the
    // open database stays as it was and this instance goes on.
    void controlWritesASeparateDatabase() {
        OpenDatabaseWithDeletedRecord();
        AnswerReconstruction("mainFile", true);
        QCOMPARE(m_router->Run(CommandId::reconstruct), 1);
        QCOMPARE(m_shown.back(), std::pair(m_entries, m_entries));
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Reconstruction completed.  " +
                                                             Path("copy.PXM") + " is created."});
        QVERIFY(m_frame.started.empty() && m_frame.closes == 0);
        QCOMPARE(LiveRecords(m_doc->Database()), 2);
        CPictureDatabase copy;
        QVERIFY(copy.OpenDatabase(Path("copy.PXM"), false));
        QCOMPARE(LiveRecords(copy), 2);
    }

    // Cancel in either dialog changes nothing and leaves no temporary file.
    void cancelChangesNothing_data() {
        QTest::addColumn<bool>("atProgress");
        QTest::newRow("Reconstruction dialog") << false;
        QTest::newRow("progress dialog closed without Start") << true;
    }
    void cancelChangesNothing() {
        QFETCH(bool, atProgress);
        OpenDatabaseWithDeletedRecord();
        WhenModal([atProgress](QWidget* dialog) {
            if (atProgress)
                WhenModal([](QWidget* progress) { progress->close(); });
            Child<QPushButton>(dialog, atProgress ? "ok" : "cancel")->click();
        });
        QCOMPARE(m_router->Run(CommandId::reconstruct), 1);
        QVERIFY(m_frame.started.empty() && m_doc->Database().IsOpen());
        QVERIFY(!FileExists(TemporaryIndexPath(m_mainPath)));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
    }

    // A long build keeps the windows painted: pending events are handled between its
    // steps, and closing the dialog while it runs is refused. Its messages appear with the
    // normal cursor, the wait cursor comes back after them and goes with the dialog.
    void longBuildKeepsHandlingEventsAndCannotBeClosed() {
        CReconstructProgressDialog dialog(false, nullptr);
        std::vector<bool> busy;
        WhenModal([](QWidget* modal) { Child<QPushButton>(modal, "start")->click(); });
        bool timerRan = false;
        bool closedMeanwhile = false;
        const int result = dialog.RunBuild([&](IReconstructionProgress& progress) {
            QTimer::singleShot(0, [&] { timerRan = true; });
            for (int step = 1; step <= 4; ++step) {
                progress.Step(step, 4);
                QThread::msleep(CProgressPacer::intervalMilliseconds + 5);
            }
            busy.push_back(QGuiApplication::overrideCursor() != nullptr);
            ShowMessage("Cannot read the record");
            busy.push_back(QGuiApplication::overrideCursor() != nullptr);
            dialog.close();
            closedMeanwhile = !dialog.isVisible();
            return 7;
        });
        QVERIFY(result == 7 && timerRan && !closedMeanwhile);
        QCOMPARE(dialog.CounterText(), QStringLiteral("4 / 4"));
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Cannot read the record"});
        QCOMPARE(m_prompt.busyAtMessage, std::vector<bool>{false});
        QCOMPARE(busy, (std::vector<bool>{true, true}));
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(ReconstructDialogsTest)
#include "ReconstructDialogsTest.moc"
