// The insert menus of the alarm settings editor: a small button beside a
// text field whose menu offers the placeholders under their labels and types
// the chosen name at the cursor.
#pragma once

#include <QString>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class QWidget;

enum class PlaceholderSet {
    Mail,    // the eleven alarm values
    Program, // those and the two folders
};

QToolButton* NewPlaceholderButton(QWidget* parent, const QString& objectName, PlaceholderSet set,
                                  std::function<void(const QString& name)> insert);

// A text field with its insert button to the right.
QWidget* WithPlaceholders(QLineEdit* edit, PlaceholderSet set);
QWidget* WithPlaceholders(QPlainTextEdit* edit, PlaceholderSet set);
