#include "ui/diagrams/DiagramWindow.h"

#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListCommands.h"
#include "ui/print/PagePrinting.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>

namespace {

// Pixel sizes, since the page is painted in screen pixels scaled to it.
QFont PageFont(int pixels, bool bold)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

DiagramWindow::DiagramWindow(AlarmDatabase& database, QWidget* parent)
    : QWidget(parent, Qt::Window), m_database(database)
{
}

void DiagramWindow::Follow()
{
    switch (m_follower.Check(m_database)) {
    case ViewChange::None:
        return;
    case ViewChange::Arrival: {
        AlarmRecord record;
        if (m_database.Read(m_follower.NewRecord(), record))
            Add(record);
        return;
    }
    case ViewChange::Other:
        Rebuild();
        return;
    }
}

bool DiagramWindow::ExportPdf(const QString& path) const
{
    return ExportPdfPages(path, [this](QPagedPaintDevice& device) { return Paint(device); });
}

void DiagramWindow::PrintWithDialog()
{
    PrintPagesWithDialog(this, [this](QPagedPaintDevice& device) { return Paint(device); });
}

void DiagramWindow::AddPrintButtons(QBoxLayout& layout)
{
    auto* print = new QPushButton(ToQt(Tr("Drucken...")), this);
    auto* pdf = new QPushButton(ToQt(Tr("Als PDF speichern...")), this);
    connect(print, &QPushButton::clicked, this, [this] { PrintWithDialog(); });
    connect(pdf, &QPushButton::clicked, this, [this] {
        QString path = ChoosePdfFile(this);
        if (!path.isEmpty())
            ExportPdf(path);
    });
    layout.addWidget(print);
    layout.addWidget(pdf);
}

void DiagramWindow::AddCloseButton(QBoxLayout& layout)
{
    auto* close = new QPushButton(ToQt(Tr("Schliessen")), this);
    close->setObjectName("Close");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout.addWidget(close);
}

void DiagramWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool DiagramWindow::BeginPage(QPainter& painter, QPagedPaintDevice& device)
{
    if (!painter.begin(&device))
        return false;
    painter.scale(device.width() / double(kPageWidth), device.height() / double(kPageHeight));
    return true;
}

void DiagramWindow::PaintTitleAndFooter(QPainter& painter, const QString& title,
                                        const QString& footer)
{
    painter.setFont(PageFont(14, true));
    painter.drawText(QRect(0, 0, kPageWidth, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(PageFont(11, false));
    painter.drawText(QRect(0, kPageHeight - 20, kPageWidth, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     footer);
}
