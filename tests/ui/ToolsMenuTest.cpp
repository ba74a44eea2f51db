// The Tools menu's windows through the picture view's commands over real databases in a
// temporary folder, driven as a user would: "&Set password" (refused entries keep the
// dialog open with empty fields, an accepted one is stored, "&Reset password" removes it),
// Data exchange (the count asked about, the copies with their progress) and Reconstruct
// (both builds with their progress, handed to a new instance and swapped in; Cancel; a
// long build that keeps the windows painted).
#include "WhenModal.h"

#include "storage/Reconstruction.h"
#include "ui/ViewFixture.h"
#include "ui/dialogs/ExchangeProgressDialog.h"
#include "ui/dialogs/ReconstructProgressDialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

class ToolsMenuTest : public QObject, CViewFixture {
    Q_OBJECT

    std::string Stored() {
        std::string stored = "(unread)";
        m_doc->Database().GetPassword(stored);
        return stored;
    }
    // Runs the command, entering (first, second, button) in turn; whether each entry but
    // the last left the dialog open with both fields emptied.
    bool SetPassword(const std::vector<std::tuple<QString, QString, const char*>>& entries) {
        bool stayed = true;
        WhenModal([&](QWidget* dialog) {
            auto* one = Child<QLineEdit>(dialog, "password");
            auto* two = Child<QLineEdit>(dialog, "passwordAgain");
            for (std::size_t i = 0; i < entries.size(); ++i) {
                one->setText(std::get<0>(entries[i]));
                two->setText(std::get<1>(entries[i]));
                Click(dialog, std::get<2>(entries[i]));
                stayed = stayed && (i + 1 == entries.size() ||
                                    (dialog->isVisible() && (one->text() + two->text()).isEmpty()));
            }
        });
        m_router->Run(CommandId::setPassword);
        return stayed;
    }

    // Stores pictures first .. first + count - 1 in db: picture k is p<k>.bmp of its own colour.
    bool AddPictures(CPictureDatabase& db, int first, int count) {
        for (int k = first; k < first + count; ++k)
            if (!AddPicture(db, Path(QString("p%1.bmp").arg(k)), QColor(40 * k, 0, 0), -1, {}))
                return false;
        return true;
    }

    // The open database holds pictures 0 to 2, the other one 2 to 4.
    void OpenDatabases() {
        {
            CPictureDatabase a, b;
            QVERIFY(a.OpenDatabase(Path("a.PXM"), true) && AddPictures(a, 0, 3));
            QVERIFY(b.OpenDatabase(Path("b.PXM"), true) && AddPictures(b, 2, 3));
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("a.PXM")));
    }

    // Fills the "Data Exchange" dialog with direction and the other database, then answers
    // the question with Start or Cancel, recording what the progress dialog showed.
    void AnswerExchange(int direction, bool start) {
        WhenModal([this, direction, start](QWidget* dialog) {
            Child<QComboBox>(dialog, "direction")->setCurrentIndex(direction);
            Child<QLineEdit>(dialog, "destination")->setText(QString::fromStdString(Path("b.PXM")));
            WhenModal<CExchangeProgressDialog>([this, start](CExchangeProgressDialog* progress) {
                m_texts.push_back(progress->Text());
                // The window stays open while it counts the copies.
                connect(progress, &CExchangeProgressDialog::textShown, this,
                        [this, progress](const QString& text) {
                            m_texts.push_back(progress->isVisible() ? text : "hidden");
                        });
                Child<QPushButton>(progress, start ? "start" : "cancel")->click();
            });
            Child<QPushButton>(dialog, "ok")->click();
        });
    }

    QStringList m_texts; // what the exchange progress window showed

    // Three pictures, the middle one deleted, open in the view.
    void OpenDatabaseWithDeletedRecord() {
        QVERIFY(OpenPictures({{"p0.bmp", Qt::black}, {"p1.bmp", Qt::red}, {"p2.bmp", Qt::blue}}));
        m_router->Run(CommandId::next);
        QVERIFY(m_doc->DeleteCurrent());
        m_mainPath = m_doc->Database().GetMainPath();
        m_blocks = m_doc->Database().Main().BlockCount();
        m_entries = m_doc->Database().Index().EntryCount();
    }

    // Answers the "Reconstruction" dialog with choice, then presses "&Start" in the progress
    // dialog, recording what its counter showed.
    void AnswerReconstruction(const char* choice) {
        WhenModal([this, choice](QWidget* dialog) {
            Child<QRadioButton>(dialog, choice)->setChecked(true);
            WhenModal<CReconstructProgressDialog>([this](CReconstructProgressDialog* progress) {
                connect(progress, &CReconstructProgressDialog::progressShown, this,
                        [this](int done, int total) { m_shown.emplace_back(done, total); });
                QTest::mouseClick(Child<QPushButton>(progress, "start"), Qt::LeftButton);
            });
            Click(dialog, "ok");
        });
    }

    std::vector<std::pair<int, int>> m_shown;
    std::string m_mainPath;
    int m_blocks = 0;
    int m_entries = 0;

private slots:
    void init() {
        m_shown.clear();
        m_texts.clear();
        QVERIFY(OpenView());
    }
    void cleanup() { CloseView(); }

    void setChangeAndResetPassword() {
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
        SetPassword({{"other", "other", "cancel"}});
        QCOMPARE(Stored(), std::string());
        QVERIFY(
            SetPassword({{"abc", "abc", "ok"}, {"abcd", "abcD", "ok"}, {"abcd", "abcd", "ok"}}));
        QCOMPARE(m_prompt.messages,
                 (std::vector<std::string>{"Password too short.", "Invalid password."}));
        QCOMPARE(Stored(), std::string("abcd"));
        // Changing needs no old password; twelve characters are kept whole.
        SetPassword({{"twelve-chars", "twelve-chars", "ok"}});
        QCOMPARE(Stored(), std::string("twelve-chars"));
        // "&Reset password": No keeps the dialog open, Yes removes the password.
        m_prompt.answers = {false, true};
        QVERIFY(SetPassword({{"", "", "reset"}, {"", "", "reset"}}));
        QCOMPARE(Stored(), std::string());
    }

    // The question counts what each side lacks in the chosen direction; Start copies it with
    // the running count shown, Cancel copies nothing.
    void exchangeCountsThenCopiesWithProgress_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("start");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("liveHere");
        QTest::addColumn<int>("liveThere");
        const QString two = QStringLiteral("2 pics found to transter. Continue?");
        QTest::newRow("both ways")
            << 0 << true
            << QStringList{"4 pics found to transter. Continue?", "Copied : 1", "Copied : 2",
                           "Copied : 1", "Copied : 2"}
            << 5 << 5;
        QTest::newRow("->") << 1 << true << QStringList{two, "Copied : 1", "Copied : 2"} << 3 << 5;
        QTest::newRow("<-") << 2 << true << QStringList{two, "Copied : 1", "Copied : 2"} << 5 << 3;
        QTest::newRow("cancelled")
            << 0 << false << QStringList{"4 pics found to transter. Continue?"} << 3 << 3;
    }
    void exchangeCountsThenCopiesWithProgress() {
        QFETCH(int, direction);
        QFETCH(bool, start);
        QFETCH(QStringList, shown);
        QFETCH(int, liveHere);
        QFETCH(int, liveThere);
        OpenDatabases();
        AnswerExchange(direction, start);
        QCOMPARE(m_router->Run(CommandId::dataExchange), 1);
        QCOMPARE(m_texts, shown);
        QCOMPARE(m_prompt.messages, start ? std::vector<std::string>{"Data transfer completed"}
                                          : std::vector<std::string>{});
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(LiveRecords(Path("a.PXM")), liveHere);
        QCOMPARE(LiveRecords(Path("b.PXM")), liveThere);
    }

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
        QCOMPARE(LiveRecords(m_mainPath), liveAfterSwap);
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
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 (QStringList{"p0.bmp", "p1.bmp", "p2.bmp", "pics.PXI", "pics.PXM"}));
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

QTEST_MAIN(ToolsMenuTest)
#include "ToolsMenuTest.moc"
