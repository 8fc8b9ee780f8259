// "Info ueber Wardex": product name, version, build date and the Qt version
// the program runs on.
#pragma once

#include <QDialog>

class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The lines below the product name.
    QString Details() const;
};
