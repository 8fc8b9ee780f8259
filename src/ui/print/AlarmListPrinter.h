// Printing the alarm list as shown: the columns in their order and relative
// widths, the header repeated on every page, and the footer with the time
// of capture, the user and the page number on every page. The same painting
// goes to a printer or into a PDF file.
#pragma once

#include "config/Timestamp.h"

#include <QString>
#include <string>

class QPagedPaintDevice;
class QWidget;
class ShownAlarmList;

// "Zeitpunkt der Erfassung: %s, Benutzer: %s, Seite %d / %d", translated.
QString PrintFooter(Timestamp captured, const std::string& user, int page, int pages);

class AlarmListPrinter {
public:
    AlarmListPrinter(const ShownAlarmList& list, std::string user, Timestamp captured);

    // Paints every page onto a device that is not being painted on yet; the
    // number of pages, 0 when the device cannot be painted on.
    int Paint(QPagedPaintDevice& device) const;
    bool ExportPdf(const QString& path) const;
    // Through the desktop's print dialog; false when cancelled.
    bool PrintWithDialog(QWidget* parent) const;

private:
    const ShownAlarmList& m_list;
    std::string m_user;
    Timestamp m_captured;
};
