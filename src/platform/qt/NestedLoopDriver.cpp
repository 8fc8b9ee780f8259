#include "platform/qt/NestedLoopDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <utility>

NestedLoopDriver::NestedLoopDriver(std::function<void()> round) : m_round(std::move(round))
{
    Arm();
}

void NestedLoopDriver::Arm()
{
    // A fresh single shot every time: Qt does not fire a timer again while
    // its own handler runs, and the round may open a dialog whose loop must
    // be served as well.
    QTimer::singleShot(kIntervalMs, &m_context, [this] {
        Arm();
        if (QThread::currentThread()->loopLevel() > 0)
            m_round();
    });
}

void CancelModalDialogs()
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog == nullptr || !dialog->isVisible() ||
            !(dialog->isModal() || dialog->testAttribute(Qt::WA_ShowModal)))
            continue;
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QAbstractButton* answer = nullptr;
        for (QMessageBox::StandardButton button : {QMessageBox::Cancel, QMessageBox::No}) {
            if (box != nullptr && answer == nullptr)
                answer = box->button(button);
        }
        if (box != nullptr && answer == nullptr)
            answer = box->escapeButton();
        if (answer != nullptr)
            answer->click();
        else
            dialog->reject();
    }
}
