// The help window over the user manual: a topic opens the manual at its heading, and F1
// in a dialog opens the dialog's topic in a window that the dialog does not block.
#include "ui/HelpWindow.h"

#include "WhenModal.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The text of the line at the top of the browser's visible area.
QString TopLine(const CHelpWindow* window) {
    return window->Browser()->cursorForPosition(QPoint(4, 4)).block().text();
}

// The manual is shown at heading: the heading is the top line, or, near the end where the
// text cannot scroll further, the view is at its end with the heading in sight.
bool ShowsHeading(const CHelpWindow* window, const QString& heading) {
    if (TopLine(window) == heading)
        return true;
    QTextBrowser* browser = window->Browser();
    const QScrollBar* bar = browser->verticalScrollBar();
    if (bar->value() == 0 || bar->value() != bar->maximum())
        return false;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        if (block.text() == heading && block.blockFormat().headingLevel() > 0) {
            const QRectF box = browser->document()->documentLayout()->blockBoundingRect(block);
            return box.top() >= bar->value();
        }
    return false;
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

    void topicOpensAtItsHeading_data() {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("heading");
        QTest::newRow("start") << ""
                               << "Picdex user manual";
        QTest::newRow("inside") << "searching"
                                << "Searching";
        QTest::newRow("near the end") << "command-line"
                                      << "The command-line tool";
    }

    void topicOpensAtItsHeading() {
        QFETCH(QString, topic);
        QFETCH(QString, heading);
        // From the start, and again in the window already showing another topic.
        for (const QString& before : {QString(), QStringLiteral("command-line")}) {
            cleanup();
            if (!before.isEmpty())
                CHelpWindow::ShowTopic(before);
            CHelpWindow* window = CHelpWindow::ShowTopic(topic);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QTRY_VERIFY2(ShowsHeading(window, heading), qPrintable(TopLine(window)));
        }
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
