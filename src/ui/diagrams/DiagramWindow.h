// What the bar diagram and the trend view share: following the alarm list's
// view, the print and PDF buttons, and pages laid out in screen pixels with
// a title and the footer.
#pragma once

#include "alarm/ViewFollower.h"

#include <QWidget>

class AlarmDatabase;
class AlarmRecord;
class QBoxLayout;
class QKeyEvent;
class QPagedPaintDevice;
class QPainter;

class DiagramWindow : public QWidget {
    Q_OBJECT

public:
    // After the list changed: an arrival is added on its own, anything else
    // counts the view again.
    void Follow();
    virtual void Rebuild() = 0;

    virtual int Paint(QPagedPaintDevice& device) const = 0;
    bool ExportPdf(const QString& path) const;
    void PrintWithDialog();

protected:
    // A page as painted: screen pixels, scaled to the device.
    static constexpr int kPageWidth = 1100;
    static constexpr int kPageHeight = 760;

    DiagramWindow(AlarmDatabase& database, QWidget* parent);

    virtual void Add(const AlarmRecord& record) = 0;
    // "Drucken..." and "Als PDF speichern...".
    void AddPrintButtons(QBoxLayout& layout);
    // "Schliessen"; Escape closes the window as well.
    void AddCloseButton(QBoxLayout& layout);
    void keyPressEvent(QKeyEvent* event) override;
    // Begins painting on the device, scaled to a page of kPageWidth x kPageHeight.
    static bool BeginPage(QPainter& painter, QPagedPaintDevice& device);
    // The title at the top, the footer at the bottom; leaves the text font set.
    static void PaintTitleAndFooter(QPainter& painter, const QString& title, const QString& footer);

    AlarmDatabase& m_database;
    ViewFollower m_follower;
};
