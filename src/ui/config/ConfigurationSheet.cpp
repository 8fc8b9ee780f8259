#include "ui/config/ConfigurationSheet.h"

#include "config/Translator.h"
#include "core/station/Station.h"
#include "core/station/StationDesktop.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/QtText.h"
#include "ui/diagrams/DiagramColourPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

ConfigurationSheet::ConfigurationSheet(ConfigTree& tree, Prompt& prompt,
                                       const std::vector<SheetPage>& pages,
                                       const RecorderPageOptions& options, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(ToQt(Tr("Konfiguration")));
    resize(720, 460);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("ConfigurationPages");
    for (SheetPage page : pages) {
        switch (page) {
        case SheetPage::Recorder:
            m_recorderPage = new CPropPageRecorder(tree, prompt, options);
            m_pages->addTab(m_recorderPage, ToQt(Tr("Rekorder")));
            break;
        case SheetPage::Diagram:
            m_pages->addTab(new DiagramColourPage(tree, *this), ToQt(Tr("Diagramm")));
            break;
        // These pages take their places here once they exist.
        case SheetPage::User:
        case SheetPage::Language:
        case SheetPage::System:
            break;
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(ToQt(Tr("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(Tr("Abbrechen")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buttons);
}

void ConfigurationSheet::done(int result)
{
    if (m_recorderPage != nullptr)
        m_recorderPage->Leave();
    QDialog::done(result);
}

bool RunConfigurationSheet(Station& station, const std::vector<SheetPage>& pages, QWidget* parent)
{
    RecorderPageOptions options;
    options.hybrid = station.Options().Has("hybrid") ? HybridChoice::Offered : HybridChoice::Hidden;
    options.sharedPrefix = station.Options().Value("shmprefix").value_or("");
    ConfigurationSheet sheet(station.Tree(), station.Desktop().Messages(), pages, options, parent);
    return sheet.exec() == QDialog::Accepted;
}
