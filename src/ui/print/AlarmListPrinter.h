// Printing the alarm list as shown: the columns in their order, sized to
// their contents and otherwise like their widths on the screen, long cells
// wrapped rather than cut; on every page a title with the filter and the
// period, the header row and the footer with the time of capture, the user
// and the page number. The same painting goes to a printer or into a PDF file.
#pragma once

#include "config/Timestamp.h"

#include <QString>
#include <array>
#include <string>
#include <vector>

class QFont;
class QPagedPaintDevice;
class QPaintDevice;
class QWidget;
class ShownAlarmList;

// "Zeitpunkt der Erfassung: %s, Benutzer: %s, Seite %d / %d", translated.
QString PrintFooter(Timestamp captured, const std::string& user, int page, int pages);

class AlarmListPrinter {
public:
    // `filter` describes the filter applied to the list, empty for none.
    AlarmListPrinter(const ShownAlarmList& list, std::string user, Timestamp captured,
                     std::string filter = {});

    // Paints every page onto a device that is not being painted on yet; the
    // number of pages, 0 when the device cannot be painted on.
    int Paint(QPagedPaintDevice& device) const;
    bool ExportPdf(const QString& path) const;
    // Through the desktop's print dialog; false when cancelled.
    bool PrintWithDialog(QWidget* parent) const;

private:
    // Each column's printed width: its widest word at least, the rest shared out.
    std::vector<qreal> ColumnWidths(QPaintDevice& device, const QFont& font, const QFont& bold,
                                    qreal padding) const;
    // The title, the filter and the period above the header row of every page.
    std::array<QString, 3> Heading() const;

    const ShownAlarmList& m_list;
    std::string m_user;
    Timestamp m_captured;
    std::string m_filter;
};
