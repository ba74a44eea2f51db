// The windows of the commands on marked records and the bulk commands, driven through the
// picture view's command router over a real database: the bar for paging among marks, the
// keyword dialog, transfer, the output dialog (with links in the folder), the duplicate
// check and the counts by type.
#include "platform/FileSystem.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/MarkBar.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <deque>
#include <filesystem>

namespace {

class CScriptedPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
};

constexpr std::int32_t createdTime = 1000000000;

void Click(QWidget* parent, const char* name) {
    auto* button = parent->findChild<QAbstractButton*>(name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class MarkedDataTest : public QObject, CViewFixture<IViewFrame, CScriptedPrompt> {
    Q_OBJECT

private:
    // A new database of the pictures (name, colour), opened in the view at the first record.
    void OpenWith(const std::vector<SPicture>& pictures) {
        QVERIFY(OpenPictures(pictures, createdTime));
    }

    std::int32_t RecordOf(const char* name) {
        CIndexFile& index = m_doc->Database().Index();
        const std::int32_t i = index.FindExact(std::string("!") + name, true);
        CIndexEntry entry;
        return i >= 0 && index.ReadEntry(entry, i) ? entry.record : -1;
    }
    void Mark(std::initializer_list<const char*> names) {
        for (const char* name : names)
            QVERIFY(m_doc->Database().Marks().Mark(RecordOf(name)));
    }
    Keywords KeywordsOf(const char* name) {
        CRecordHead head;
        Keywords keywords;
        if (m_doc->Database().ReadHead(head, RecordOf(name)))
            for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
                keywords[std::size_t(slot)] = head.Keyword(slot);
        return keywords;
    }
    QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    // Runs the output command, answering its dialog with folder.
    void Output(int id, const QString& folder) {
        WhenModal([folder](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Output all the data"));
            modal->findChild<QLineEdit*>("folder")->setText(folder);
            Click(modal, "ok");
        });
        m_prompt.messages.clear();
        m_prompt.questions.clear();
        QCOMPARE(m_router->Run(id), 1);
    }

    // Runs "Add/Delete keyword on marked data" with keyword and the radio button action.
    void KeywordOnMarked(const QString& keyword, const char* action) {
        WhenModal([keyword, action](QWidget* modal) {
            modal->findChild<QLineEdit*>("keyword")->insert(keyword); // as typed
            Click(modal, action);
            Click(modal, "ok");
        });
        QCOMPARE(m_router->Run(CommandId::keywordOnMarked), 1);
    }

private slots:
    void init() { QVERIFY(OpenView({300, 200}, true)); }
    void cleanup() { CloseView(); }

    void barPagesAmongMarksInMarkingOrderAndWraps() {
        OpenWith({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}});
        Mark({"c.bmp", "a.bmp"});
        QCOMPARE(m_router->Run(CommandId::pageMarked), 1);
        CMarkBar* bar = m_view->MarkBar();
        QVERIFY(bar && bar->isVisible());
        QVERIFY(!bar->windowTitle().isEmpty());
        const std::pair<const char*, const char*> steps[] = {
            {"top", "c.bmp"},  {"next", "a.bmp"}, {"next", "c.bmp"},
            {"prev", "a.bmp"}, {"top", "c.bmp"},  {"bottom", "a.bmp"}};
        for (const auto& [button, shown] : steps) {
            Click(bar, button);
            QCOMPARE(CurrentName(), std::string(shown));
        }
        QCOMPARE(m_router->Run(CommandId::pageMarked), 1);
        QVERIFY(!bar->isVisible());
        m_router->Run(CommandId::pageMarked);
        m_router->Run(CommandId::unmarkAll);
        QVERIFY(!bar->isVisible());
    }

    void keywordIsAddedToAndRemovedFromTheMarkedRecordsOnly() {
        OpenWith({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}});
        Mark({"a.bmp", "b.bmp"});
        KeywordOnMarked("Sea", "add");
        // The field holds 31 bytes: a longer keyword is stored cut, at a character boundary.
        KeywordOnMarked(QString(20, QChar(0xE9)), "add");
        const std::string cut = QString(15, QChar(0xE9)).toStdString();
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"sea", cut, "", "", "", ""}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"sea", cut, "", "", "", ""}));
        QVERIFY(KeywordsOf("c.bmp") == Keywords{});
        QCOMPARE(CurrentName(), std::string("b.bmp")); // the last mark is shown
        KeywordOnMarked("SEA", "delete");
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"", cut, "", "", "", ""}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"", cut, "", "", "", ""}));
    }

    void outputWritesMarkedThenAllAndReplacesLinks() {
        OpenWith({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}});
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

        // c.bmp is now a link to a file outside: Yes replaces the link, not that file; No
        // to a.bmp leaves it and does not count it.
        const QString outside = m_dir->filePath("outside.txt");
        QVERIFY(QFile(outside).open(QIODevice::WriteOnly));
        QVERIFY(QFile::remove(out + "/c.bmp"));
        QVERIFY(QFile::link(outside, out + "/c.bmp"));
        m_prompt.answers = {false, true};
        Output(CommandId::outputAll, out + "/");
        QCOMPARE(m_prompt.questions.size(), std::size_t(2));
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Output 2 picture files."});
        QVERIFY(!QFileInfo(out + "/c.bmp").isSymLink());
        QCOMPARE(Bytes(out + "/c.bmp"), Bytes(m_dir->filePath("c.bmp")));
        QCOMPARE(Bytes(outside), QByteArray());
        QCOMPARE(Bytes(out + "/b.bmp"), Bytes(m_dir->filePath("b.bmp")));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void transferCountsOnlyTheCopiesWritten() {
        OpenWith({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}});
        {
            CPictureDatabase other;
            QVERIFY(other.OpenDatabase(Path("other.PXM"), true));
        }
        Mark({"b.bmp", "a.bmp"});
        const QString target = m_dir->filePath("other.PXM");
        WhenModal([target](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->selectFile(target);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        // The second copy's sync fails: it is taken back and not counted.
        FaultInjection::Arm(FaultInjection::Operation::sync, 4, FaultInjection::Fault::ioError);
        QCOMPARE(m_router->Run(CommandId::transferMarked), 1);
        FaultInjection::Disarm();
        QVERIFY(!m_prompt.messages.empty());
        QCOMPARE(m_prompt.messages.back(), std::string("Transferred 1 of 2 marked pictures."));
        CPictureDatabase other;
        QVERIFY(other.OpenDatabase(Path("other.PXM"), false));
        int position = 0;
        QVERIFY(other.Index().GoFirst());
        QCOMPARE(other.CountRange(position, false), 1);
    }

    void duplicateCheckMarksEqualPicturesAndShowsThem() {
        OpenWith({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::red}});
        m_prompt.answers = {true};
        QStringList shown;
        WhenModal([&shown](QWidget* modal) {
            for (int i = 0; i < 3; ++i)
                shown << modal->findChild<QLabel*>(QString("name%1").arg(i))->text();
            Click(modal, "cancel");
        });
        QCOMPARE(m_router->Run(CommandId::checkDuplicates), 1);
        QCOMPARE(shown, (QStringList{"a.bmp", "c.bmp", ""})); // the marked thumbnails
        QCOMPARE(m_prompt.questions, std::vector<std::string>{"Mark duplicate pics?"});
        CMarkList& marks = m_doc->Database().Marks();
        QCOMPARE(marks.Count(), 2);
        QVERIFY(marks.IsMarked(RecordOf("a.bmp")) && marks.IsMarked(RecordOf("c.bmp")));
        QVERIFY(m_view->MarkBar() && m_view->MarkBar()->isVisible());

        // Without duplicates: the message, and the marks made before are gone.
        QVERIFY(m_doc->Database().LocateRecord(RecordOf("c.bmp")));
        QVERIFY(m_doc->DeleteCurrent());
        m_prompt.answers = {true};
        m_router->Run(CommandId::checkDuplicates);
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Duplicate data not found."});
        QVERIFY(!marks.HasMarks());
        QVERIFY(!m_view->MarkBar()->isVisible());
    }

    void filePropertiesCountsLiveRecordsByType() {
        OpenWith({{"a.bmp", Qt::red},
                  {"b.JPG", Qt::green},
                  {"c.tif", Qt::blue},
                  {"d.jpe", Qt::cyan},
                  {"e.gif", Qt::gray},
                  {"f.tiff", Qt::black},
                  {"g.bmp", Qt::white}});
        QVERIFY(m_doc->Database().LocateRecord(RecordOf("g.bmp")));
        QVERIFY(m_doc->DeleteCurrent());
        QStringList before, after;
        QString caption;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("File properties"));
            for (const char* name : {"tiff", "gif", "jpeg", "bmp", "unknown", "total"})
                before << modal->findChild<QLabel*>(name)->text();
            auto* button = modal->findChild<QPushButton*>("start");
            caption = button->text();
            QTest::mouseClick(button, Qt::LeftButton);
            for (const char* name : {"tiff", "gif", "jpeg", "bmp", "unknown", "total"})
                after << modal->findChild<QLabel*>(name)->text();
            caption += "," + button->text();
            QTest::mouseClick(button, Qt::LeftButton);
        });
        QCOMPARE(m_router->Run(CommandId::fileProperties), 1);
        QCOMPARE(before, QStringList(6, QString()));
        QCOMPARE(caption, QStringLiteral("Start,Close"));
        QCOMPARE(after, (QStringList{"2 pics", "1 pics", "1 pics", "1 pics", "1 pics", "6 pics"}));
    }
};

QTEST_MAIN(MarkedDataTest)
#include "MarkedDataTest.moc"
