// Tools > Data exchange through its windows, headless: two real databases in a temporary
// folder, the open one in the view, the dialogs driven as a user would.
#include "SmallDatabase.h"
#include "WhenModal.h"

#include "ui/ViewFixture.h"
#include "ui/dialogs/ExchangeProgressDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

class DataExchangeDialogsTest : public QObject, CViewFixture<> {
    Q_OBJECT

private:
    // The open database holds pictures 0 to 2, the other one 2 to 4 (or 0 to 2 with same).
    void OpenDatabases(bool same = false) {
        {
            CPictureDatabase a, b;
            QVERIFY(a.OpenDatabase(Path("a.PXM"), true) && AddPictures(a, 0, 3));
            QVERIFY(b.OpenDatabase(Path("b.PXM"), true) && AddPictures(b, same ? 0 : 2, 3));
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("a.PXM")));
    }

    // Fills the "Data Exchange" dialog with direction and the other database, then answers
    // the question with Start or Cancel, recording what the progress dialog showed.
    void AnswerExchange(int direction, bool start) {
        WhenModal([this, direction, start](QWidget* dialog) {
            Child<QComboBox>(dialog, "direction")->setCurrentIndex(direction);
            Child<QLineEdit>(dialog, "destination")->setText(QString::fromStdString(Path("b.PXM")));
            WhenModal([this, start](QWidget* modal) {
                auto* progress = qobject_cast<CExchangeProgressDialog*>(modal);
                QVERIFY(progress);
                m_shown.push_back(progress->Text());
                // The window stays open while it counts the copies.
                connect(progress, &CExchangeProgressDialog::textShown, this,
                        [this, progress](const QString& text) {
                            m_shown.push_back(progress->isVisible() ? text : "hidden");
                        });
                Child<QPushButton>(modal, start ? "start" : "cancel")->click();
            });
            Child<QPushButton>(dialog, "ok")->click();
        });
    }

    int LiveInOther() {
        CPictureDatabase b;
        return b.OpenDatabase(Path("b.PXM"), false) ? LiveRecords(b) : -1;
    }

    QStringList m_shown;

private slots:
    void init() {
        m_shown.clear();
        QVERIFY(OpenView());
    }
    void cleanup() { CloseView(); }

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
        QCOMPARE(m_shown, shown);
        QCOMPARE(m_prompt.messages, start ? std::vector<std::string>{"Data transfer completed"}
                                          : std::vector<std::string>{});
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(LiveRecords(m_doc->Database()), liveHere);
        QCOMPARE(LiveInOther(), liveThere);
    }
};

QTEST_MAIN(DataExchangeDialogsTest)
#include "DataExchangeDialogsTest.moc"
