// Shared pieces of the configuration page tests: a tree after start-up with
// a prefix for the live-view program's shared objects, and a way to act on a
// modal dialog once its own event loop runs.
#pragma once

#include "station/RecorderTestTree.h"
#include "ui/config/RecorderPageOptions.h"

#include <QApplication>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

// Runs `act` on the dialog of type T as soon as it is the active modal
// widget. Whatever happens in `act`, a dialog still open afterwards is
// closed, so a failing test never hangs in the dialog's loop.
template <typename T>
void WhenModal(std::function<void(T&)> act, int attempts = 200)
{
    QTimer::singleShot(0, [act = std::move(act), attempts]() mutable {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0)
                WhenModal<T>(std::move(act), attempts - 1);
            else
                ADD_FAILURE() << "no modal dialog of the expected type appeared";
            return;
        }
        act(*dialog);
        if (QApplication::activeModalWidget() == dialog && dialog->isVisible())
            dialog->close();
    });
}

// The push button with this object name below root; fails the test when
// there is none.
QPushButton* Button(QWidget& root, const char* name);

// A text from the station's literal UTF-8 bytes.
inline QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

class ConfigPagesTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeRecorderTree();
    FakePrompt prompt;
    ShmPrefix shm;
    RecorderPageOptions options{HybridChoice::Hidden, shm.Get()};
};
