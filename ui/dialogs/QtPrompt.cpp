#include "ui/dialogs/QtPrompt.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
} // namespace

CQtPrompt::CQtPrompt(QWidget* parent) : m_parent(parent) {}

void CQtPrompt::SetParentWindow(QWidget* parent) {
    m_parent = parent;
}

void CQtPrompt::ShowMessage(std::string_view text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Picdex"), FromUtf8(text),
                    QMessageBox::Ok, m_parent.data());
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool CQtPrompt::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Picdex"), FromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent.data());
    box.setObjectName(QStringLiteral("questionBox"));
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setObjectName(QStringLiteral("yes"));
    box.button(QMessageBox::No)->setObjectName(QStringLiteral("no"));
    return box.exec() == QMessageBox::Yes;
}
