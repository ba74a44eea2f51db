// The help window over the user manual: F1 in a dialog opens the manual at the dialog's
// topic, in a window that the dialog does not block.
#include "ui/HelpWindow.h"

#include "WhenModal.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The text of the line at the top of the browser's visible area.
QString TopLine(const CHelpWindow* window) {
    return window->Browser()->cursorForPosition(QPoint(4, 4)).block().text();
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

    QObject m_keysOwner;

private slots:
    void initTestCase() { InstallHelpKeys(m_keysOwner); }

    void cleanup() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<CHelpWindow*>(window))
                delete window;
    }

    void f1InADialogOpensItsTopicInAWindowTheDialogDoesNotBlock() {
        QDialog dialog;
        dialog.setProperty(CHelpWindow::topicProperty, QStringLiteral("reconstruction"));
        auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
        (new QVBoxLayout(&dialog))->addWidget(button);
        CHelpWindow* help = nullptr;
        WhenModal([&](QWidget* modal) {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_F1);
            help = qobject_cast<CHelpWindow*>(
                QApplication::activeModalWidget()->findChild<CHelpWindow*>());
            if (help)
                QTRY_COMPARE(TopLine(help), QStringLiteral("Reconstruction"));
            modal->close();
        });
        dialog.exec();
        QVERIFY(help);
        QCOMPARE(help->Topic(), QStringLiteral("reconstruction"));
        // A window of the dialog's own, which the dialog's modality leaves usable.
        QCOMPARE(help->parentWidget(), &dialog);
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
