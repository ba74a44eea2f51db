// CExchangeProgressDialog: the "Data exchange" progress dialog: a text, "&Start" and
// Cancel. It asks its question modally; after Start it stays open with both buttons
// disabled while the copying pass runs on this thread, shows "Copied : %d" at once after
// every copy and keeps the windows painted between entries (CProgressPacer); Finish closes
// it. It also shows the wait cursor while the counting pass runs, the core's messages then
// appearing with the normal cursor (CBusyPrompt).
#pragma once

#include "collection/DataExchange.h"
#include "ui/dialogs/ProgressPacer.h"

#include <QDialog>

#include <memory>

class CBusyPrompt;
class QEventLoop;
class QLabel;
class QPushButton;

class CExchangeProgressDialog : public QDialog, public IExchangeProgress {
    Q_OBJECT

public:
    explicit CExchangeProgressDialog(QWidget* parent);
    ~CExchangeProgressDialog() override;

    bool AskStart(std::string_view question) override;
    void ShowProgress(std::string_view text) override;
    void ProcessPending() override;
    void Finish() override;
    void Counting(bool counting) override;

    QString Text() const;
    bool IsCopying() const { return m_copying; }

signals:
    // The text was painted.
    void textShown(const QString& text);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_text;
    QPushButton* m_start;
    QPushButton* m_cancel;
    CProgressPacer m_pacer;
    std::unique_ptr<CBusyPrompt> m_countingPrompt;
    QEventLoop* m_question = nullptr; // while the question waits for Start or Cancel
    bool m_started = false;
    bool m_copying = false;
};
