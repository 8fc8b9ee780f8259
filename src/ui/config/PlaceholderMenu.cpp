#include "ui/config/PlaceholderMenu.h"

#include "alarm/Placeholders.h"
#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

QWidget* Beside(QWidget* edit, QToolButton* button, Qt::Alignment alignment)
{
    auto* box = new QWidget(edit->parentWidget());
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit, 1);
    row->addWidget(button, 0, alignment);
    button->setParent(box);
    return box;
}

} // namespace

QToolButton* NewPlaceholderButton(QWidget* parent, const QString& objectName, PlaceholderSet set,
                                  std::function<void(const QString& name)> insert)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(ToQt(Tr("Einfuegen")));
    button->setToolTip(ToQt(Tr("Platzhalter einfuegen")));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    size_t count = set == PlaceholderSet::Mail ? kMailPlaceholderCount : kPlaceholderCount;
    for (size_t i = 0; i < count; ++i) {
        if (i == kMailPlaceholderCount)
            menu->addSeparator();
        const PlaceholderInfo& placeholder = PlaceholderTable()[i];
        QString name = ToQt(placeholder.name);
        QAction* action = menu->addAction(ToQt(Tr(placeholder.menuLabel)));
        action->setData(name);
        QObject::connect(action, &QAction::triggered, button, [insert, name] { insert(name); });
    }
    button->setMenu(menu);
    // Room for the menu arrow, which some styles draw over the text.
    button->setMinimumWidth(button->sizeHint().width() + button->fontMetrics().height());
    return button;
}

QWidget* WithPlaceholders(QLineEdit* edit, PlaceholderSet set)
{
    QToolButton* button = NewPlaceholderButton(edit->parentWidget(), edit->objectName() + "Insert",
                                               set, [edit](const QString& name) {
                                                   edit->insert(name);
                                                   edit->setFocus();
                                               });
    return Beside(edit, button, Qt::AlignVCenter);
}

QWidget* WithPlaceholders(QPlainTextEdit* edit, PlaceholderSet set)
{
    QToolButton* button = NewPlaceholderButton(edit->parentWidget(), edit->objectName() + "Insert",
                                               set, [edit](const QString& name) {
                                                   edit->insertPlainText(name);
                                                   edit->setFocus();
                                               });
    return Beside(edit, button, Qt::AlignTop);
}
