#include "platform/qt/QtModifierKeys.h"

#include <QGuiApplication>

bool QtModifierKeys::ControlAndShiftHeld()
{
    Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    return held.testFlag(Qt::ControlModifier) && held.testFlag(Qt::ShiftModifier);
}
