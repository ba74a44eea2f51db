// Drives a modal dialog from a test: exec() opens the dialog only after the call that
// starts it, so the action is run from the event loop once a modal widget is showing.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <type_traits>

// Runs action on the active modal widget as soon as there is one of type Window (polled
// every 10 ms, at most triesLeft times).
template <class Window = QWidget>
void WhenModal(std::type_identity_t<std::function<void(Window*)>> action, int triesLeft = 300) {
    QTimer::singleShot(10, [action, triesLeft] {
        if (auto* modal = qobject_cast<Window*>(QApplication::activeModalWidget()))
            action(modal);
        else if (triesLeft > 0)
            WhenModal<Window>(action, triesLeft - 1);
    });
}
