#include "ui/config/UserDialog.h"

#include "config/Translator.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "ui/config/QtText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct RightBox {
    UserRight right;
    const char* objectName;
    std::string_view text;
};

constexpr std::array<RightBox, kUserRightCount> kRightBoxes = {{
    {UserRight::DelAlarm, "RTDelAlarm", TrNoop("Alarme loeschen")},
    {UserRight::EditUser, "RTEditUser", TrNoop("Benutzer bearbeiten")},
    {UserRight::EditRecorder, "RTEditRecorder", TrNoop("Rekorder bearbeiten")},
    {UserRight::EditSystem, "RTEditSystem", TrNoop("System bearbeiten")},
    {UserRight::ExitWardex, "RTExitWardex", TrNoop("Wardex beenden")},
}};

QLineEdit* NewEdit(QWidget* parent, const char* objectName, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

UserDialog::UserDialog(UserEditor editor, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_editor(std::move(editor)), m_prompt(prompt)
{
    setObjectName("UserDialog");
    setWindowTitle(ToQt(m_editor.Caption()));
    m_name = NewEdit(this, "Name", UserEditor::kMaxNameChars);
    m_password = NewEdit(this, "Password", UserEditor::kMaxPasswordChars);
    m_repeat = NewEdit(this, "PasswordRepeat", UserEditor::kMaxPasswordChars);
    m_password->setEchoMode(QLineEdit::Password);
    m_repeat->setEchoMode(QLineEdit::Password);
    m_default = new QCheckBox(ToQt(Tr("Defaultbenutzer")), this);
    m_default->setObjectName("IsDefUser");
    auto* rights = new QGroupBox(ToQt(Tr("Rechte")), this);
    auto* rightsColumn = new QVBoxLayout(rights);
    for (size_t i = 0; i < kRightBoxes.size(); ++i) {
        m_rights[i] = new QCheckBox(ToQt(Tr(kRightBoxes[i].text)), rights);
        m_rights[i]->setObjectName(kRightBoxes[i].objectName);
        m_rights[i]->setEnabled(m_editor.RightsEnabled());
        rightsColumn->addWidget(m_rights[i]);
    }
    m_note = new QLabel(ToQt(Tr("Dieser Benutzer ist der Defaultbenutzer! Waehlen Sie einen "
                                "anderen Benutzer aus, um diesen (anderen) als neuen "
                                "Defaultbenutzer festzulegen!")),
                        this);
    m_note->setObjectName("DefaultNote");
    m_note->setWordWrap(true);
    m_note->setVisible(m_editor.NoteVisible());
    m_name->setEnabled(m_editor.NameEnabled());
    m_default->setEnabled(m_editor.DefaultEnabled());

    // The limits where they are typed, not only in a refusal afterwards.
    auto* passwordRule =
        new QLabel(ToQt(FormatTr(TrNoop("Hoechstens %d Zeichen, nur Buchstaben und Ziffern"),
                                 UserEditor::kMaxPasswordChars)),
                   this);
    passwordRule->setObjectName("PasswordRule");
    passwordRule->setWordWrap(true);
    m_name->setPlaceholderText(
        ToQt(FormatTr(TrNoop("hoechstens %d Zeichen"), UserEditor::kMaxNameChars)));
    for (QLineEdit* password : {m_password, m_repeat})
        password->setPlaceholderText(
            ToQt(FormatTr(TrNoop("hoechstens %d Zeichen"), UserEditor::kMaxPasswordChars)));

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    form->addRow(ToQt(Tr("Name")), m_name);
    form->addRow(ToQt(Tr("Passwort")), m_password);
    form->addRow(ToQt(Tr("Passwort Wdh.")), m_repeat);
    form->addRow(QString(), passwordRule);
    form->addRow(m_default);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(ToQt(Tr("OK")));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("Ok");
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(Tr("Abbrechen")));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &UserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addLayout(form);
    layout->addWidget(m_note);
    layout->addWidget(rights);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    // A stored password longer than one may type (the built-in account's)
    // is shown whole, so that OK does not cut it.
    int stored = static_cast<int>(m_editor.InitialForm().password.size());
    if (stored > UserEditor::kMaxPasswordChars) {
        m_password->setMaxLength(stored);
        m_repeat->setMaxLength(stored);
    }
    ShowForm(m_editor.InitialForm());
}

UserForm UserDialog::ShownForm() const
{
    UserForm form;
    form.name = FromQt(m_name->text());
    form.password = FromQt(m_password->text());
    form.passwordRepeat = FromQt(m_repeat->text());
    form.isDefault = m_default->isChecked();
    for (size_t i = 0; i < kRightBoxes.size(); ++i)
        form.SetRight(kRightBoxes[i].right, m_rights[i]->isChecked());
    return form;
}

void UserDialog::ShowForm(const UserForm& form)
{
    m_name->setText(ToQt(form.name));
    m_password->setText(ToQt(form.password));
    m_repeat->setText(ToQt(form.passwordRepeat));
    m_default->setChecked(form.isDefault);
    for (size_t i = 0; i < kRightBoxes.size(); ++i)
        m_rights[i]->setChecked(form.Right(kRightBoxes[i].right));
}

QLineEdit* UserDialog::FieldEdit(UserDialogField field) const
{
    switch (field) {
    case UserDialogField::Name:
        return m_name;
    case UserDialogField::Password:
        return m_password;
    case UserDialogField::PasswordRepeat:
        return m_repeat;
    case UserDialogField::None:
        break;
    }
    return nullptr;
}

void UserDialog::accept()
{
    UserForm form = ShownForm();
    UserDialogOutcome outcome = m_editor.Accept(form);
    if (outcome.stored) {
        QDialog::accept();
        return;
    }
    ShowForm(form);
    m_prompt.Show(outcome.message, "Wardex", PromptIcon::Warning, PromptButtons::Ok);
    if (QLineEdit* edit = FieldEdit(outcome.focus)) {
        edit->setFocus();
        edit->selectAll();
    }
}
