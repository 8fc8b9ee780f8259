#include "ui/filters/OkCancelButtons.h"

#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* OkCancelButtons(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(ToQt(Tr("OK")), QDialogButtonBox::AcceptRole)->setObjectName("Ok");
    buttons->addButton(ToQt(Tr("Abbrechen")), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}
