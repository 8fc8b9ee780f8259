// The configuration sheet opened from the main window: its pages in their
// order, each added only with its right, and OK or Abbrechen. The pages
// change the tree directly; the caller saves it when the sheet ends with OK.
#pragma once

#include "ui/config/RecorderPageOptions.h"
#include "users/UserSession.h"

#include <QDialog>
#include <vector>

class CPropPageRecorder;
class ConfigTree;
class Prompt;
class QTabWidget;
class Station;

class ConfigurationSheet final : public QDialog {
    Q_OBJECT

public:
    ConfigurationSheet(ConfigTree& tree, Prompt& prompt, const std::vector<SheetPage>& pages,
                       const RecorderPageOptions& options, QWidget* parent = nullptr);

    // Null when the user may not edit recorders.
    CPropPageRecorder* RecorderPage() { return m_recorderPage; }
    QTabWidget* Pages() { return m_pages; }

    void done(int result) override;

private:
    QTabWidget* m_pages = nullptr;
    CPropPageRecorder* m_recorderPage = nullptr;
};

// Runs the sheet for the station's current user; true when it ended with OK.
bool RunConfigurationSheet(Station& station, const std::vector<SheetPage>& pages, QWidget* parent);
