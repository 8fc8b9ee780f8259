#include "ui/alarms/AlarmListMenu.h"

#include "config/Translator.h"

AlarmListMenu::AlarmListMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName("AlarmListMenu");
    m_delete = addAction(QString::fromStdString(Tr("&Loeschen")));
    m_confirm = addAction(QString::fromStdString(Tr("Bestaetigen")));
    m_selectAll = addAction(QString::fromStdString(Tr("&Alle auswaehlen")));
}
