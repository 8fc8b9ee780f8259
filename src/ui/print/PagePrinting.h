// Printing and saving as PDF on A4 landscape pages, for anything that paints
// itself page by page onto a device.
#pragma once

#include <QString>
#include <functional>

class QPagedPaintDevice;
class QWidget;

// Paints every page onto a device that is not being painted on yet; the
// number of pages, 0 when the device cannot be painted on.
using PagePainter = std::function<int(QPagedPaintDevice&)>;

bool ExportPdfPages(const QString& path, const PagePainter& paint);
// Through the desktop's print dialog; false when cancelled.
bool PrintPagesWithDialog(QWidget* parent, const PagePainter& paint);
