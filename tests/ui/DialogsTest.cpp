// The smaller dialogs: Options, Sort, contrast, the duplicate dialog's picture and answers,
// the prompt, the password question, and the file dialogs' filter and extension rules.
#include "collection/Settings.h"
#include "imaging/PxDib.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/ContrastDialog.h"
#include "ui/dialogs/DuplicateDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/QtAddDialogs.h"
#include "ui/dialogs/QtPrompt.h"
#include "ui/dialogs/SortDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

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

    void sortDialog_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("chosen"); // -1: cancelled
        QTest::newRow("name to date") << 0 << QStringList{"byDate", "ok"} << 1;
        QTest::newRow("date to name") << 1 << QStringList{"byName", "ok"} << 0;
        QTest::newRow("unknown reads as name") << 7 << QStringList{"ok"} << 0;
        QTest::newRow("cancel") << 0 << QStringList{"byDate", "cancel"} << -1;
    }
    void sortDialog() {
        QFETCH(int, stored);
        QFETCH(QStringList, clicks);
        QFETCH(int, chosen);
        CSortDialog dialog(nullptr);
        WhenModal([clicks](QWidget* modal) {
            for (const QString& name : clicks)
                Click(modal, name.toLatin1().constData());
        });
        int sortType = stored;
        QCOMPARE(dialog.AskSortType(sortType), chosen >= 0);
        QCOMPARE(sortType, chosen >= 0 ? chosen : stored);
    }

    void filterConversion_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("several") << "JPEG|*.jpg;*.jpeg|GIF|*.gif||"
                                 << QStringList({"JPEG (*.jpg *.jpeg)", "GIF (*.gif)"});
        QTest::newRow("no closing bars") << "TIFF|*.tif" << QStringList({"TIFF (*.tif)"});
        QTest::newRow("no pattern") << "GIF|*.gif|Broken" << QStringList({"GIF (*.gif)"});
        QTest::newRow("empty pattern") << "Any||" << QStringList({"Any (*)"});
    }
    void filterConversion() {
        QFETCH(QString, filter);
        QFETCH(QStringList, lines);
        QCOMPARE(ConvertFileFilter(filter.toStdString()), lines);
    }

    void defaultExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("result");
        QTest::newRow("added") << "/h/picture" << "bmp" << "/h/picture.bmp";
        QTest::newRow("kept") << "/h/picture.jpg" << "bmp" << "/h/picture.jpg";
        QTest::newRow("dot in folder only") << "/h/u.v/picture" << "gif" << "/h/u.v/picture.gif";
        QTest::newRow("hidden name") << "/h/.picture" << "gif" << "/h/.picture.gif";
        QTest::newRow("dot given") << "/tmp/x" << ".pxm" << "/tmp/x.pxm";
    }
    void defaultExtension() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(QString, result);
        QCOMPARE(AddDefaultExtension(path, extension), result);
    }

    // Apply (by its mnemonic or click) passes the slider's value; Reset applies nothing.
    void contrastApplyPassesSliderValue() {
        std::vector<int> applied;
        CContrastDialog dialog([&](int value) { applied.push_back(value); }, nullptr);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Child<QSlider>(&dialog, "slider")->setValue(-42);
        QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(applied.size(), std::size_t(1));
        Child<QSlider>(&dialog, "slider")->setValue(99);
        Click(&dialog, "applyButton");
        Click(&dialog, "resetButton");
        QCOMPARE(applied, std::vector<int>({-42, 99}));
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

    void duplicateDialogButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("choice");
        QTest::newRow("save") << "save" << int(DuplicateChoice::save);
        QTest::newRow("doNotSave") << "doNotSave" << int(DuplicateChoice::doNotSave);
        QTest::newRow("doNotSaveAny") << "doNotSaveAny" << int(DuplicateChoice::doNotSaveAny);
    }
    // A picture that was never loaded: the dialog still opens and answers.
    void duplicateDialogButtons() {
        QFETCH(QString, button);
        QFETCH(int, choice);
        PxDib empty;
        CPictureDatabase db;
        CQtAddDialogs dialogs(db, nullptr);
        WhenModal([&](QWidget* modal) { Click(modal, button.toLatin1().constData()); });
        QCOMPARE(int(dialogs.AskDuplicate(empty, "/pictures/a.bmp")), choice);
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
