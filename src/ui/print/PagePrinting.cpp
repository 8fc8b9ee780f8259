#include "ui/print/PagePrinting.h"

#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

namespace {

void SetUpPage(QPagedPaintDevice& device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Landscape);
}

} // namespace

bool ExportPdfPages(const QString& path, const PagePainter& paint)
{
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Wardex"));
    SetUpPage(writer);
    return paint(writer) > 0;
}

bool PrintPagesWithDialog(QWidget* parent, const PagePainter& paint)
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPage(printer);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return paint(printer) > 0;
}
