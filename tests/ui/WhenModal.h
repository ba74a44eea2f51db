// Drives a modal dialog from a test: exec() opens the dialog only after the call that
// starts it, so the action is run from the event loop once a modal widget is showing.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs action on the active modal widget as soon as there is one (polled every 10 ms,
// at most triesLeft times).
inline void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 200) {
    QTimer::singleShot(10, [action, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            action(modal);
        } else if (triesLeft > 0) {
            WhenModal(action, triesLeft - 1);
        }
    });
}
