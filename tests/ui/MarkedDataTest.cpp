// The windows of the commands on marked records, driven through the picture view's command
// router over a real database: the bar for paging among marks, the keyword dialog,
// transfer, the output dialog and the duplicate check.
#include "platform/FileSystem.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/MarkBar.h"

#include <QFileDialog>
#include <QLabel>

namespace {
constexpr std::int32_t createdTime = 1000000000;

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}
} // namespace

class MarkedDataTest : public QObject, CViewFixture<> {
    Q_OBJECT

    void OpenAbc() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}},
                             createdTime));
    }
    void Mark(std::initializer_list<const char*> names) {
        for (const char* name : names)
            QVERIFY(m_doc->Database().Marks().Mark(RecordOf(name)));
    }
    // Runs the output command, answering its dialog with folder.
    void Output(int id, const QString& folder) {
        WhenModal([folder](QWidget* modal) {
            Child<QLineEdit>(modal, "folder")->setText(folder);
            Click(modal, "ok");
        });
        m_prompt.messages.clear();
        m_prompt.questions.clear();
        QCOMPARE(m_router->Run(id), 1);
    }
    // Runs "Add/Delete keyword on marked data" with keyword and the radio button action.
    void KeywordOnMarked(const QString& keyword, const char* action) {
        WhenModal([keyword, action](QWidget* modal) {
            Child<QLineEdit>(modal, "keyword")->insert(keyword); // as typed
            Click(modal, action);
            Click(modal, "ok");
        });
        QCOMPARE(m_router->Run(CommandId::keywordOnMarked), 1);
    }

private slots:
    void init() { QVERIFY(OpenView({300, 200}, true)); }
    void cleanup() { CloseView(); }

    void barPagesAmongMarksInMarkingOrderAndWraps() {
        OpenAbc();
        Mark({"c.bmp", "a.bmp"});
        QCOMPARE(m_router->Run(CommandId::pageMarked), 1);
        CMarkBar* bar = m_view->MarkBar();
        QVERIFY(bar && bar->isVisible());
        std::string shown;
        for (const char* button : {"top", "next", "next", "prev", "top", "bottom"}) {
            Click(bar, button);
            shown += CurrentName() + " ";
        }
        QCOMPARE(shown, std::string("c.bmp a.bmp c.bmp a.bmp c.bmp a.bmp "));
        m_router->Run(CommandId::unmarkAll);
        QVERIFY(!bar->isVisible());
    }

    void keywordIsAddedToAndRemovedFromTheMarkedRecordsOnly() {
        OpenAbc();
        Mark({"a.bmp", "b.bmp"});
        KeywordOnMarked("Sea", "add");
        // The field holds 31 bytes: a longer keyword is stored cut, at a character boundary.
        KeywordOnMarked(QString(20, QChar(0xE9)), "add");
        const std::string cut = QString(15, QChar(0xE9)).toStdString();
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"sea", cut}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"sea", cut}));
        QVERIFY(KeywordsOf("c.bmp") == Keywords{});
        QCOMPARE(CurrentName(), std::string("b.bmp")); // the last mark is shown
        KeywordOnMarked("SEA", "delete");
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"", cut}));
    }

    // The marked pictures are written with their creation time into the folder typed, then
    // all those not there yet. (Links standing in the folder are the core's, which the
    // tool's export test covers.)
    void outputWritesMarkedThenAll() {
        OpenAbc();
        Mark({"c.bmp", "a.bmp"});
        QVERIFY(QDir(m_dir->path()).mkdir("out"));
        const QString out = m_dir->filePath("out");
        Output(CommandId::outputMarked, out); // typed without the final "/"
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Output 2 picture files."});
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"a.bmp", "c.bmp"}));
        QCOMPARE(Bytes(out + "/a.bmp"), Bytes(m_dir->filePath("a.bmp")));
        std::int32_t time = 0;
        QVERIFY(GetFileModTime((out + "/c.bmp").toStdString(), time));
        QCOMPARE(time, createdTime);
        Output(CommandId::outputAll, out + "/"); // the two there already: No
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Output 1 picture files."});
        QCOMPARE(Bytes(out + "/b.bmp"), Bytes(m_dir->filePath("b.bmp")));
    }

    // Copies whose sync fails are taken back and not counted: the count shown is what the
    // other database holds.
    void transferCountsOnlyTheCopiesWritten() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}}));
        {
            CPictureDatabase other;
            QVERIFY(other.OpenDatabase(Path("other.PXM"), true));
        }
        Mark({"b.bmp", "a.bmp"});
        WhenModal([this](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->selectFile(m_dir->filePath("other.PXM"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        FaultInjection::Arm(FaultInjection::Operation::sync, 1, FaultInjection::Fault::ioError);
        QCOMPARE(m_router->Run(CommandId::transferMarked), 1);
        FaultInjection::Disarm();
        CPictureDatabase other;
        QVERIFY(other.OpenDatabase(Path("other.PXM"), false));
        int position = 0;
        const int kept = other.Index().GoFirst() ? other.CountRange(position, false) : 0;
        QVERIFY(kept < 2 && !m_prompt.messages.empty());
        QCOMPARE(m_prompt.messages.back(),
                 "Transferred " + std::to_string(kept) + " of 2 marked pictures.");
    }

    // Equal pictures are marked (after a Yes) and shown.
    void duplicateCheckMarksEqualPicturesAndShowsThem() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::red}}));
        m_prompt.answers = {true};
        QStringList shown;
        WhenModal([&shown](QWidget* modal) {
            for (const char* name : {"name0", "name1", "name2"})
                shown << Child<QLabel>(modal, name)->text();
            Click(modal, "cancel");
        });
        QCOMPARE(m_router->Run(CommandId::checkDuplicates), 1);
        QCOMPARE(shown, (QStringList{"a.bmp", "c.bmp", ""}));
        CMarkList& marks = m_doc->Database().Marks();
        QVERIFY(marks.Count() == 2 && marks.IsMarked(RecordOf("c.bmp")));
        QVERIFY(m_view->MarkBar() && m_view->MarkBar()->isVisible());
    }
};

QTEST_MAIN(MarkedDataTest)
#include "MarkedDataTest.moc"
