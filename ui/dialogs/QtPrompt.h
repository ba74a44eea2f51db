// CQtPrompt: the prompt of the windowed program. Messages are information boxes with OK,
// questions are Yes/No boxes with Yes as the default; both titled "Picdex" and modal to the
// parent window. The core's texts are UTF-8.
#pragma once

#include "platform/Prompt.h"

#include <QPointer>
#include <QWidget>

class CQtPrompt : public IPrompt {
public:
    explicit CQtPrompt(QWidget* parent = nullptr);

    // The window the boxes are modal to; nullptr for none. It may be destroyed meanwhile.
    void SetParentWindow(QWidget* parent);

    void ShowMessage(std::string_view text) override;
    // True for Yes.
    bool AskYesNo(std::string_view text) override;

private:
    QPointer<QWidget> m_parent;
};
