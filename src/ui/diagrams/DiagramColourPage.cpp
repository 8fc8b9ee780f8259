#include "ui/diagrams/DiagramColourPage.h"

#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "ui/config/QtText.h"

#include <QColorDialog>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QColor ToQColor(RgbColor color)
{
    return QColor(color.red, color.green, color.blue);
}

} // namespace

DiagramColourPage::DiagramColourPage(ConfigTree& tree, QDialog& sheet, QWidget* parent)
    : QWidget(parent), m_tree(tree), m_colours(ReadBarColours(tree, ColourSet::User))
{
    setObjectName("DiagramColourPage");
    auto* rows = new QWidget;
    auto* grid = new QGridLayout(rows);
    grid->setVerticalSpacing(2);
    for (size_t i = 0; i < m_colours.size(); ++i) {
        auto* button = new QPushButton(rows);
        button->setObjectName(QString("Colour%1").arg(m_colours[i].code));
        button->setFixedSize(48, 20);
        int index = static_cast<int>(i);
        connect(button, &QPushButton::clicked, this, [this, index] { ChooseColour(index); });
        m_buttons.push_back(button);
        grid->addWidget(button, index, 0);
        grid->addWidget(
            new QLabel(ToQt(AlarmTypeName(m_colours[i].code, NameTranslation::Translated)), rows),
            index, 1);
        ShowColour(index);
    }
    grid->setColumnStretch(1, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);

    auto* factory = new QPushButton(ToQt(Tr("Werkseinstellungen")), this);
    factory->setObjectName("FactoryColours");
    connect(factory, &QPushButton::clicked, this, [this] { RestoreFactoryColours(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(ToQt(Tr("Balkenfarben der Alarmarten:")), this));
    layout->addWidget(scroll, 1);
    layout->addWidget(factory, 0, Qt::AlignLeft);
    connect(&sheet, &QDialog::accepted, this, [this] { Apply(); });
}

void DiagramColourPage::ShowColour(int index)
{
    QColor color = ToQColor(m_colours[static_cast<size_t>(index)].color);
    m_buttons[static_cast<size_t>(index)]->setStyleSheet(
        QString("background-color: %1; border: 1px solid #444;").arg(color.name()));
}

void DiagramColourPage::ChooseColour(int index)
{
    BarColour& colour = m_colours[static_cast<size_t>(index)];
    QColorDialog chooser(ToQColor(colour.color), this);
    chooser.setWindowTitle(ToQt(AlarmTypeName(colour.code, NameTranslation::Translated)));
    if (chooser.exec() != QDialog::Accepted)
        return;
    QColor chosen = chooser.selectedColor();
    colour.color = {static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                    static_cast<uint8_t>(chosen.blue())};
    ShowColour(index);
}

void DiagramColourPage::RestoreFactoryColours()
{
    std::vector<BarColour> factory = ReadBarColours(m_tree, ColourSet::Factory);
    for (size_t i = 0; i < m_colours.size(); ++i) {
        for (const BarColour& colour : factory) {
            if (colour.code == m_colours[i].code)
                m_colours[i].color = colour.color;
        }
        ShowColour(static_cast<int>(i));
    }
}

void DiagramColourPage::Apply()
{
    WriteBarColours(m_tree, m_colours);
}
