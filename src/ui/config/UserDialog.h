// The user dialog ("Neuen Benutzer anlegen" / "Benutzer bearbeiten"): the
// controls of UserEditor's form, its locked controls and note, and on OK its
// checks, each refusal shown with the focus in the named field.
#pragma once

#include "users/UserEditor.h"

#include <QDialog>
#include <array>

class Prompt;
class QCheckBox;
class QLabel;
class QLineEdit;

class UserDialog final : public QDialog {
    Q_OBJECT

public:
    UserDialog(UserEditor editor, Prompt& prompt, QWidget* parent = nullptr);

    UserForm ShownForm() const;

    void accept() override;

private:
    void ShowForm(const UserForm& form);
    QLineEdit* FieldEdit(UserDialogField field) const;

    UserEditor m_editor;
    Prompt& m_prompt;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_repeat = nullptr;
    QCheckBox* m_default = nullptr;
    std::array<QCheckBox*, kUserRightCount> m_rights{};
    QLabel* m_note = nullptr;
};
