#include "platform/qt/QtPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <utility>

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon ToIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

PromptAnswer QtPrompt::Show(std::string_view text, std::string_view caption, PromptIcon icon,
                            PromptButtons buttons)
{
    QMessageBox box(ToIcon(icon), ToQString(caption), ToQString(text), ToButtons(buttons),
                    QApplication::activeWindow());
    const std::pair<QMessageBox::StandardButton, const std::string*> words[] = {
        {QMessageBox::Ok, &m_texts.ok},
        {QMessageBox::Cancel, &m_texts.cancel},
        {QMessageBox::Yes, &m_texts.yes},
        {QMessageBox::No, &m_texts.no}};
    for (const auto& [button, text] : words) {
        if (QAbstractButton* shown = box.button(button); shown != nullptr && !text->empty())
            shown->setText(ToQString(*text));
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        return PromptAnswer::Ok;
    }
}
