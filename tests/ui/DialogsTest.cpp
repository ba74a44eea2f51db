// The smaller dialogs: Options, the duplicate dialog's picture and answers,
// the prompt, the password question, and the file dialogs' default extension.
#include "collection/Settings.h"
#include "imaging/PxDib.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/DuplicateDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/QtAddDialogs.h"
#include "ui/dialogs/QtPrompt.h"

#include <QCheckBox>
#include <QLabel>

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void options_data() {
        QTest::addColumn<QString>("stored"); // Force256, IgnoreDuply, OpenPic; "" nothing
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("written"); // "" nothing written
        QTest::newRow("defaults, OK") << "" << QStringList{"force256", "openPic", "ok"} << "100";
        QTest::newRow("cancel") << "" << QStringList{"force256", "ignoreDuply", "cancel"} << "";
        QTest::newRow("stored, OK") << "110" << QStringList{"ignoreDuply", "ok"} << "100";
    }
    // The boxes open on the stored values (nothing stored: "Do not display" checked); OK
    // writes all three, Cancel nothing.
    void options() {
        QFETCH(QString, stored);
        QFETCH(QStringList, clicks);
        QFETCH(QString, written);
        const char* keys[] = {"Force256", "IgnoreDuply", "OpenPic"};
        CMemorySettings settings;
        for (int i = 0; i < stored.size(); ++i)
            settings.WriteProfileString("Options", keys[i], stored.mid(i, 1).toStdString());
        COptionsDialog dialog(settings, nullptr);
        const QString open = stored.isEmpty() ? "001" : stored;
        QCOMPARE(dialog.Force256(), open[0] == '1');
        QCOMPARE(Child<QCheckBox>(&dialog, "openPic")->isChecked(), open[2] == '1');
        WhenModal([clicks](QWidget* modal) {
            for (const QString& name : clicks)
                Click(modal, name.toLatin1().constData());
        });
        dialog.exec();
        QString after;
        for (const char* key : keys)
            after += QString::fromStdString(settings.GetProfileString("Options", key, ""));
        QCOMPARE(after, written.isEmpty() ? stored : written);
        QCOMPARE(dialog.IgnoreDuplicates(), (written.isEmpty() ? open : written)[1] == '1');
    }

    void defaultExtension() {
        const char* cases[][3] = {{"/h/picture", "bmp", "/h/picture.bmp"},
                                  {"/h/picture.jpg", "bmp", "/h/picture.jpg"},
                                  {"/h/u.v/picture", "gif", "/h/u.v/picture.gif"},
                                  {"/h/.picture", "gif", "/h/.picture.gif"},
                                  {"/tmp/x", ".pxm", "/tmp/x.pxm"}};
        for (const auto& [path, extension, result] : cases)
            QCOMPARE(AddDefaultExtension(path, extension), QString(result));
    }

    // The duplicate dialog shows the picture itself, below its buttons.
    void duplicateDialogShowsThePicture() {
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.bmp");
        QImage source(7, 5, QImage::Format_RGB888);
        source.fill(QColor(10, 200, 30));
        source.setPixel(0, 0, qRgb(255, 0, 0));
        source.setPixel(6, 4, qRgb(0, 0, 255));
        QVERIFY(source.save(path, "BMP"));
        PxDib picture;
        QCOMPARE(picture.LoadFromPath(path.toStdString()), 1);
        CDuplicateDialog dialog(picture, nullptr);
        const QImage& shown = dialog.RenderedPicture();
        QCOMPARE(shown.size(), QSize(7, 5));
        QCOMPARE(shown.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(6, 4), qRgb(0, 0, 255));
        QCOMPARE(shown.pixel(3, 2), qRgb(10, 200, 30));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(Child<QLabel>(&dialog, "picture")->mapTo(&dialog, QPoint(0, 0)).y(),
                 CDuplicateDialog::pictureTop);
    }

    // A picture that was never loaded: the dialog still opens and answers.
    void duplicateDialogButtons() {
        PxDib empty;
        CPictureDatabase db;
        CQtAddDialogs dialogs(db, nullptr);
        for (const auto& [button, choice] :
             {std::pair("save", DuplicateChoice::save),
              std::pair("doNotSave", DuplicateChoice::doNotSave),
              std::pair("doNotSaveAny", DuplicateChoice::doNotSaveAny)}) {
            WhenModal([button](QWidget* modal) { Click(modal, button); });
            QCOMPARE(dialogs.AskDuplicate(empty, "/pictures/a.bmp"), choice);
        }
    }

    // No answers No; Yes is the default button, so Enter answers Yes.
    void promptAnswers() {
        CQtPrompt prompt;
        WhenModal([](QWidget* modal) { Click(modal, "no"); });
        QVERIFY(!prompt.AskYesNo("Continue?"));
        WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        QVERIFY(prompt.AskYesNo("Continue?"));
    }

    // The entry is masked and cut to 12 characters; each question starts empty; Cancel
    // leaves the caller's text alone.
    void passwordDialogGivesEntryOrCancel() {
        CQtPasswordDialog dialog(nullptr);
        QString state;
        WhenModal([&](QWidget* modal) {
            auto* field = Child<QLineEdit>(modal, "password");
            state = field->text() + QString::number(field->echoMode() == QLineEdit::Password);
            QTest::keyClicks(field, "Secret-Word-123");
            Click(modal, "ok");
        });
        std::string entered;
        QVERIFY(dialog.AskPassword(entered));
        QCOMPARE(entered, std::string("Secret-Word-"));
        QCOMPARE(state, QString("1"));
        WhenModal([&](QWidget* modal) {
            state = Child<QLineEdit>(modal, "password")->text();
            Click(modal, "cancel");
        });
        QVERIFY(!dialog.AskPassword(entered));
        QCOMPARE(state, QString());
        QCOMPARE(entered, std::string("Secret-Word-"));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
