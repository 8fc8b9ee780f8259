#include "ui/filters/CameraFilterDialog.h"

#include "config/Translator.h"
#include "filters/FilterDialogRules.h"
#include "ui/config/QtText.h"
#include "ui/filters/OkCancelButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CameraFilterDialog::CameraFilterDialog(int32_t mask, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(ToQt(Tr("Kamerafilter")));
    auto* grid = new QGridLayout;
    std::array<bool, kFilterCameraBoxes> ticked = CameraBoxes(mask);
    for (int i = 0; i < kBoxes; ++i) {
        auto* box = new QCheckBox(QString::number(i + 1), this);
        box->setObjectName(QString("Camera%1").arg(i + 1));
        box->setChecked(ticked[static_cast<size_t>(i)]);
        m_boxes[static_cast<size_t>(i)] = box;
        grid->addWidget(box, i / 6, i % 6);
    }
    auto* all = new QPushButton(ToQt(Tr("Alle Kameras")), this);
    all->setObjectName("AllCameras");
    auto* none = new QPushButton(ToQt(Tr("Keine Kamera")), this);
    none->setObjectName("NoCamera");
    connect(all, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : m_boxes)
            box->setChecked(true);
    });
    connect(none, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : m_boxes)
            box->setChecked(false);
    });
    auto* choices = new QHBoxLayout;
    choices->addWidget(all);
    choices->addWidget(none);
    choices->addStretch();
    QDialogButtonBox* buttons = OkCancelButtons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(choices);
    layout->addWidget(buttons);
}

int32_t CameraFilterDialog::Mask() const
{
    std::array<bool, kFilterCameraBoxes> ticked{};
    for (int i = 0; i < kBoxes; ++i)
        ticked[static_cast<size_t>(i)] = m_boxes[static_cast<size_t>(i)]->isChecked();
    return MaskOfBoxes(ticked);
}
