#include "ui/LogInDialogs.h"

#include "config/Translator.h"
#include "events/TextFormat.h"
#include "users/UserEditor.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

bool LogInDialogs::RunLogIn(const LogInAttempt& attempt, int maxPasswordChars)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(Text(Tr("Anmelden an Wardex")));
    auto* name = new QLineEdit(&dialog);
    auto* password = new QLineEdit(&dialog);
    // The limits where they are typed, as in the user dialog.
    name->setMaxLength(UserEditor::kMaxNameChars);
    name->setPlaceholderText(
        Text(FormatTr(TrNoop("hoechstens %d Zeichen"), UserEditor::kMaxNameChars)));
    password->setMaxLength(maxPasswordChars);
    password->setPlaceholderText(Text(FormatTr(TrNoop("hoechstens %d Zeichen"), maxPasswordChars)));
    password->setEchoMode(QLineEdit::Password);

    name->setMinimumWidth(220);
    auto* form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    form->addRow(Text(Tr("Name")), name);
    form->addRow(Text(Tr("Passwort")), password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(Tr("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(Tr("Abbrechen")));
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The dialog stays open while an attempt is refused.
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (attempt(name->text().toStdString(), password->text().toStdString()))
            dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Accepted;
}

bool LogInDialogs::RunLogOut(std::string_view text)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(Text(Tr("Abmelden")));
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(
        new QLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(Tr("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(Tr("Abbrechen")));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Accepted;
}
