// Keeps the station's loop turning while Qt runs a nested event loop of its
// own (QDialog::exec, QMessageBox, QMenu::exec): every few milliseconds a
// callback runs one round of the station's work from inside that loop. In
// the station's own loop, which is not a Qt event loop, it does nothing.
#pragma once

#include <QObject>
#include <functional>

class NestedLoopDriver final {
public:
    static constexpr int kIntervalMs = 10;

    explicit NestedLoopDriver(std::function<void()> round);
    NestedLoopDriver(const NestedLoopDriver&) = delete;
    NestedLoopDriver& operator=(const NestedLoopDriver&) = delete;

private:
    void Arm();

    std::function<void()> m_round;
    // The pending timer dies with it.
    QObject m_context;
};

// Cancels every open modal dialog and popup menu as the user would: a
// message box by "Abbrechen", else "Nein", else its escape button (a box
// with only OK: OK), any other dialog as by "Abbrechen". Their loops return once the
// current event has been handled.
void CancelModalDialogs();
