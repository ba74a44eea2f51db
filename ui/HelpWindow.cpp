#include "ui/HelpWindow.h"

#include "platform/DataFolder.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPointer<CHelpWindow> shownWindow;

// Sees every key press that no shortcut took: F1 and Shift+F1.
class CHelpKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->isAutoRepeat())
            return false;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::ShiftModifier) {
            CHelpWindow::ShowTopic(HelpTopicOf(QApplication::widgetAt(QCursor::pos())));
            return true;
        }
        if (modifiers == Qt::NoModifier) {
            CHelpWindow::ShowTopic(HelpTopicOf(static_cast<QWidget*>(watched)));
            return true;
        }
        return false;
    }
};

} // namespace

QString HelpTopicOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const QVariant topic = widget->property(CHelpWindow::topicProperty);
        if (topic.isValid() && !topic.toString().isEmpty())
            return topic.toString();
    }
    return {};
}

void InstallHelpKeys(QObject& owner) {
    if (qApp)
        qApp->installEventFilter(new CHelpKeys(&owner));
}

QString CHelpWindow::ManualPath() {
    return QString::fromStdString(DataFolder()) + QStringLiteral("manual/index.html");
}

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Picdex Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Left open, it does not keep the program running after the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("manual"));
    m_browser->setAccessibleName(QStringLiteral("Manual"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 560);
    // Without a window manager's close button at hand, Escape closes it too.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

CHelpWindow* CHelpWindow::ShowTopic(const QString& topic) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner && QApplication::activeWindow() && QApplication::activeWindow() != shownWindow)
        owner = QApplication::activeWindow();
    if (shownWindow && owner && shownWindow->parentWidget() != owner) {
        // A window that belongs elsewhere would be blocked by the dialog now open.
        shownWindow->close();
        shownWindow = nullptr;
    }
    if (!shownWindow)
        shownWindow = new CHelpWindow(owner);
    CHelpWindow* window = shownWindow;
    window->show();
    window->raise();
    window->activateWindow();
    window->Open(topic);
    return window;
}

void CHelpWindow::Open(const QString& topic) {
    m_topic = topic;
    const QString path = ManualPath();
    if (!QFileInfo::exists(path)) {
        m_browser->setPlainText(QStringLiteral("The manual was not found at %1.").arg(path));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (m_browser->source().matches(url, QUrl::RemoveFragment)) {
        if (topic.isEmpty())
            m_browser->scrollToAnchor(QStringLiteral("contents"));
        else
            m_browser->scrollToAnchor(topic);
        return;
    }
    if (!topic.isEmpty())
        url.setFragment(topic);
    m_browser->setSource(url);
}
