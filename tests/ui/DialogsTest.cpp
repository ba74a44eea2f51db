// The smaller dialogs: Options, Sort, contrast, the duplicate dialog's picture, the prompt,
// the About box, and the file dialogs' filter and default-extension rules.

#include "collection/Settings.h"
#include "imaging/PxDib.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/AboutBox.h"
#include "ui/dialogs/ContrastDialog.h"
#include "ui/dialogs/DuplicateDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/QtAddDialogs.h"
#include "ui/dialogs/QtPrompt.h"
#include "ui/dialogs/SortDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

namespace {
void Click(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    // click() rather than a mouse click at the centre: a check box's hit area is its
    // indicator and text, not the width the layout gives it.
    button->click();
}

QString Value(ISettings& settings, const char* key) {
    return QString::fromStdString(settings.GetProfileString("Options", key, "unset"));
}
} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void optionsDefaultsWithEmptySettings();
    void optionsOkWritesAllThree();
    void optionsCancelWritesNothing();
    void optionsReadStoredValues();
    void sortDialogOpensOnStoredOrderAndGivesChoice_data();
    void sortDialogOpensOnStoredOrderAndGivesChoice();
    void sortDialogCancelKeepsOrder();
    void filterConversion_data();
    void filterConversion();
    void defaultExtension_data();
    void defaultExtension();
    void contrastApplyPassesSliderValue();
    void duplicateDialogShowsPictureBelowButtons();
    void duplicateDialogButtons_data();
    void duplicateDialogButtons();
    void promptAnswers();
    void passwordDialogGivesEntryOrCancel();
    void aboutBoxShowsVersion();
};

void DialogsTest::optionsDefaultsWithEmptySettings() {
    CMemorySettings settings;
    COptionsDialog dialog(settings, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
    auto* force256 = dialog.findChild<QCheckBox*>("force256");
    auto* ignore = dialog.findChild<QCheckBox*>("ignoreDuply");
    auto* openPic = dialog.findChild<QCheckBox*>("openPic");
    QVERIFY(force256 && ignore && openPic);
    QCOMPARE(force256->text(), QStringLiteral("&Use 256 color"));
    QCOMPARE(ignore->text(), QStringLiteral("&Do not save duplicate data"));
    QCOMPARE(openPic->text(), QStringLiteral("Do not display &opening Window"));
    QVERIFY(!force256->isChecked());
    QVERIFY(!ignore->isChecked());
    QVERIFY(openPic->isChecked());
    QVERIFY(!dialog.Force256());
    QVERIFY(!dialog.IgnoreDuplicates());
}

void DialogsTest::optionsOkWritesAllThree() {
    CMemorySettings settings;
    COptionsDialog dialog(settings, nullptr);
    WhenModal([](QWidget* modal) {
        Click(modal, "force256");
        Click(modal, "openPic");
        Click(modal, "ok");
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(Value(settings, "Force256"), QStringLiteral("1"));
    QCOMPARE(Value(settings, "IgnoreDuply"), QStringLiteral("0"));
    QCOMPARE(Value(settings, "OpenPic"), QStringLiteral("0"));
    QVERIFY(dialog.Force256());
    QVERIFY(!dialog.IgnoreDuplicates());
}

void DialogsTest::optionsCancelWritesNothing() {
    CMemorySettings settings;
    COptionsDialog dialog(settings, nullptr);
    WhenModal([](QWidget* modal) {
        Click(modal, "force256");
        Click(modal, "ignoreDuply");
        Click(modal, "cancel");
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    for (const char* key : {"Force256", "IgnoreDuply", "OpenPic"})
        QCOMPARE(Value(settings, key), QStringLiteral("unset"));
    QVERIFY(!dialog.Force256());
    QVERIFY(!dialog.IgnoreDuplicates());
}

void DialogsTest::optionsReadStoredValues() {
    CMemorySettings settings;
    settings.WriteProfileString("Options", "Force256", "1");
    settings.WriteProfileString("Options", "IgnoreDuply", "1");
    settings.WriteProfileString("Options", "OpenPic", "0");
    COptionsDialog dialog(settings, nullptr);
    QVERIFY(dialog.findChild<QCheckBox*>("force256")->isChecked());
    QVERIFY(dialog.findChild<QCheckBox*>("ignoreDuply")->isChecked());
    QVERIFY(!dialog.findChild<QCheckBox*>("openPic")->isChecked());
    QVERIFY(dialog.Force256());
    QVERIFY(dialog.IgnoreDuplicates());
}

void DialogsTest::sortDialogOpensOnStoredOrderAndGivesChoice_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("chosen");
    QTest::newRow("name to date") << 0 << "byDate" << 1;
    QTest::newRow("date to name") << 1 << "byName" << 0;
    QTest::newRow("date kept") << 1 << "" << 1;
    QTest::newRow("unknown reads as name") << 7 << "" << 0;
}

void DialogsTest::sortDialogOpensOnStoredOrderAndGivesChoice() {
    QFETCH(int, stored);
    QFETCH(QString, button);
    QFETCH(int, chosen);
    CSortDialog dialog(nullptr);
    bool checkedAtOpen = false;
    WhenModal([&](QWidget* modal) {
        QVERIFY(!modal->windowTitle().isEmpty()); // every window has a title
        auto* byName = modal->findChild<QRadioButton*>("byName");
        auto* byDate = modal->findChild<QRadioButton*>("byDate");
        QCOMPARE(byName->text(), QStringLiteral("&Alphabetic by fle name"));
        QCOMPARE(byDate->text(), QStringLiteral("By &date saved"));
        checkedAtOpen = (stored == 1 ? byDate : byName)->isChecked();
        if (!button.isEmpty())
            Click(modal, button.toLatin1().constData());
        Click(modal, "ok");
    });
    int sortType = stored;
    QVERIFY(dialog.AskSortType(sortType));
    QVERIFY(checkedAtOpen);
    QCOMPARE(sortType, chosen);
}

void DialogsTest::sortDialogCancelKeepsOrder() {
    CSortDialog dialog(nullptr);
    WhenModal([](QWidget* modal) {
        Click(modal, "byDate");
        Click(modal, "cancel");
    });
    int sortType = 0;
    QVERIFY(!dialog.AskSortType(sortType));
    QCOMPARE(sortType, 0);
}

void DialogsTest::filterConversion_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("one pair") << "Bitmap|*.bmp||" << QStringList({"Bitmap (*.bmp)"});
    QTest::newRow("several") << "JPEG|*.jpg;*.jpeg|GIF|*.gif|All files|*.*||"
                             << QStringList(
                                    {"JPEG (*.jpg *.jpeg)", "GIF (*.gif)", "All files (*.*)"});
    QTest::newRow("without closing bars") << "TIFF|*.tif" << QStringList({"TIFF (*.tif)"});
    QTest::newRow("description without pattern")
        << "GIF|*.gif|Broken" << QStringList({"GIF (*.gif)"});
    QTest::newRow("empty pattern") << "Any||" << QStringList({"Any (*)"});
    QTest::newRow("UTF-8") << "画像|*.bmp||" << QStringList({"画像 (*.bmp)"});
}

void DialogsTest::filterConversion() {
    QFETCH(QString, filter);
    QFETCH(QStringList, lines);
    QCOMPARE(ConvertFileFilter(filter.toStdString()), lines);
}

void DialogsTest::defaultExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("result");
    QTest::newRow("added") << "/home/u/picture"
                           << "bmp"
                           << "/home/u/picture.bmp";
    QTest::newRow("kept") << "/home/u/picture.jpg"
                          << "bmp"
                          << "/home/u/picture.jpg";
    QTest::newRow("dot in folder only") << "/home/u.v/picture"
                                        << "gif"
                                        << "/home/u.v/picture.gif";
    QTest::newRow("hidden name") << "/home/u/.picture"
                                 << "gif"
                                 << "/home/u/.picture.gif";
    QTest::newRow("no extension asked") << "/home/u/picture"
                                        << ""
                                        << "/home/u/picture";
    QTest::newRow("dot given") << "/tmp/x"
                               << ".pxm"
                               << "/tmp/x.pxm";
}

void DialogsTest::defaultExtension() {
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(QString, result);
    QCOMPARE(AddDefaultExtension(path, extension), result);
}

void DialogsTest::contrastApplyPassesSliderValue() {
    std::vector<int> applied;
    CContrastDialog dialog([&](int value) { applied.push_back(value); }, nullptr);
    auto* slider = dialog.findChild<QSlider*>("slider");
    QVERIFY(slider);
    QCOMPARE(slider->minimum(), -99);
    QCOMPARE(slider->maximum(), 99);
    QCOMPARE(slider->tickInterval(), 10);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    slider->setValue(-42);
    // A mnemonic presses its button with a short animation before the click.
    QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(applied.size(), std::size_t(1));
    slider->setValue(99);
    Click(&dialog, "applyButton");
    Click(&dialog, "resetButton");
    QCOMPARE(applied, std::vector<int>({-42, 99}));
    QCOMPARE(slider->value(), 99);
}

void DialogsTest::duplicateDialogShowsPictureBelowButtons() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("picture.bmp");
    QImage source(7, 5, QImage::Format_RGB888);
    source.fill(QColor(10, 200, 30));
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(6, 4, qRgb(0, 0, 255));
    QVERIFY(source.save(path, "BMP"));
    PxDib picture;
    QCOMPARE(picture.LoadFromPath(path.toStdString()), 1);

    CDuplicateDialog dialog(picture, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save?"));
    const QImage& shown = dialog.RenderedPicture();
    QCOMPARE(shown.size(), QSize(7, 5));
    QCOMPARE(shown.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(6, 4), qRgb(0, 0, 255));
    QCOMPARE(shown.pixel(3, 2), qRgb(10, 200, 30));
    QCOMPARE(qAlpha(shown.pixel(3, 2)), 255);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* label = dialog.findChild<QLabel*>("picture");
    QVERIFY(label);
    QCOMPARE(label->mapTo(&dialog, QPoint(0, 0)), QPoint(0, CDuplicateDialog::pictureTop));
    QCOMPARE(dialog.findChild<QLabel*>("question")->text(),
             QStringLiteral("Found the same data in the database file. Save?"));
}

void DialogsTest::duplicateDialogButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("choice");
    QTest::newRow("save") << "save" << int(DuplicateChoice::save);
    QTest::newRow("doNotSave") << "doNotSave" << int(DuplicateChoice::doNotSave);
    QTest::newRow("doNotSaveAny") << "doNotSaveAny" << int(DuplicateChoice::doNotSaveAny);
}

void DialogsTest::duplicateDialogButtons() {
    QFETCH(QString, button);
    QFETCH(int, choice);
    // A picture that was never loaded: the dialog still opens and answers.
    PxDib empty;
    QVERIFY(RenderPicture(empty).isNull());
    CPictureDatabase db;
    CQtAddDialogs dialogs(db, nullptr);
    WhenModal([&](QWidget* modal) { Click(modal, button.toLatin1().constData()); });
    QCOMPARE(int(dialogs.AskDuplicate(empty, "/pictures/a.bmp")), choice);
    std::vector<CAddFileChoice> files;
    QVERIFY(!dialogs.BrowseFiles(files));
}

void DialogsTest::promptAnswers() {
    CQtPrompt prompt;
    QString title;
    QString text;
    WhenModal([&](QWidget* modal) {
        title = modal->windowTitle();
        Click(modal, "no");
    });
    QVERIFY(!prompt.AskYesNo("Continue?"));
    QCOMPARE(title, QStringLiteral("Picdex"));
    // Yes is the default button: Enter answers Yes.
    WhenModal([&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
    QVERIFY(prompt.AskYesNo("Continue?"));
    WhenModal([&](QWidget* modal) {
        text = modal->findChild<QLabel*>("qt_msgbox_label")->text();
        QTest::keyClick(modal, Qt::Key_Return);
    });
    prompt.ShowMessage("Größe ändern");
    QCOMPARE(text, QStringLiteral("Größe ändern"));
}

void DialogsTest::passwordDialogGivesEntryOrCancel() {
    CQtPasswordDialog dialog(nullptr);
    bool masked = false;
    WhenModal([&](QWidget* modal) {
        QCOMPARE(modal->windowTitle(), QStringLiteral("Password"));
        auto* field = modal->findChild<QLineEdit*>("password");
        masked = field->echoMode() == QLineEdit::Password;
        // Only 12 characters are taken.
        QTest::keyClicks(field, "Secret-Word-123");
        Click(modal, "ok");
    });
    std::string entered;
    QVERIFY(dialog.AskPassword(entered));
    QVERIFY(masked);
    QCOMPARE(entered, std::string("Secret-Word-"));
    // Each question starts empty.
    QString startText = "unset";
    WhenModal([&](QWidget* modal) {
        startText = modal->findChild<QLineEdit*>("password")->text();
        QTest::keyClicks(modal->findChild<QLineEdit*>("password"), "abcd");
        Click(modal, "cancel");
    });
    entered = "kept";
    QVERIFY(!dialog.AskPassword(entered));
    QCOMPARE(startText, QString());
    QCOMPARE(entered, std::string("kept"));
}

void DialogsTest::aboutBoxShowsVersion() {
    QString version;
    QString title;
    WhenModal([&](QWidget* modal) {
        title = modal->windowTitle();
        version = modal->findChild<QLabel*>("version")->text();
        QVERIFY(!modal->findChild<QLabel*>("icon")->pixmap().isNull());
        Click(modal, "ok");
    });
    ShowAboutBox(nullptr);
    QCOMPARE(title, QStringLiteral("About Picdex"));
    QCOMPARE(version, QStringLiteral("Picdex Version 1.5E"));
    QVERIFY(!ProgramIcon().isNull());
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
