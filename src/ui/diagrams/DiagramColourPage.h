// The diagram page of the configuration sheet: the bar colour of each alarm
// type with a colour chooser, and the factory colours back at one click.
// The colours reach the tree only when the sheet ends with OK.
#pragma once

#include "alarm/BarColours.h"

#include <QWidget>
#include <vector>

class ConfigTree;
class QDialog;
class QPushButton;

class DiagramColourPage final : public QWidget {
    Q_OBJECT

public:
    DiagramColourPage(ConfigTree& tree, QDialog& sheet, QWidget* parent = nullptr);

    const std::vector<BarColour>& Colours() const { return m_colours; }
    QPushButton* ColourButton(int index) const { return m_buttons[static_cast<size_t>(index)]; }
    // Opens the colour chooser for one type.
    void ChooseColour(int index);
    void RestoreFactoryColours();
    void Apply();

private:
    void ShowColour(int index);

    ConfigTree& m_tree;
    std::vector<BarColour> m_colours;
    std::vector<QPushButton*> m_buttons;
};
