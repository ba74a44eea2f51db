// CHelpWindow: the user manual, an HTML file installed with the program
// (DataFolder() + "manual/index.html"), shown in a window of Qt's text browser. Topics are
// anchors of the manual; a window or control names its topic in the dynamic property
// "helpTopic", which its children inherit. F1 in a dialog or other window opens the
// manual at that window's topic, Shift+F1 at the topic of the control under the pointer;
// the main window's F1 is the Help command, which opens the manual at its start.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QTextBrowser;

class CHelpWindow : public QWidget {
    Q_OBJECT

public:
    // The property a window or control names its topic in.
    static constexpr const char* topicProperty = "helpTopic";

    // The manual's path.
    static QString ManualPath();
    // Shows the manual at topic (an anchor; empty: from its start) and returns the window.
    // One help window is shown at a time; while a modal dialog is open the window belongs
    // to that dialog, so that it can be read and closed without closing the dialog first.
    static CHelpWindow* ShowTopic(const QString& topic);

    QTextBrowser* Browser() const { return m_browser; }
    // The anchor shown last; empty for the start.
    QString Topic() const { return m_topic; }

private:
    explicit CHelpWindow(QWidget* owner);
    void Open(const QString& topic);

    QTextBrowser* m_browser = nullptr;
    QString m_topic;
};

// The topic of widget: its own "helpTopic" or that of its nearest ancestor with one;
// empty when none has one.
QString HelpTopicOf(const QWidget* widget);

// Handles F1 where no menu key takes it (dialogs and other windows) and Shift+F1 anywhere
// in the application, for as long as owner lives.
void InstallHelpKeys(QObject& owner);
