#include "ui/print/AlarmListCommands.h"

#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "ui/print/AlarmListCsv.h"
#include "ui/print/AlarmListPrinter.h"
#include "ui/print/ShownAlarmList.h"
#include "users/UserAccounts.h"

#include <QFileDialog>

namespace {

QString ChooseFile(QWidget* parent, const std::string& filter, const QString& suffix)
{
    QFileDialog dialog(parent, QString::fromStdString(Tr("Speichern unter")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QStringLiteral("Alarme.") + suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void ReportFailure(Prompt& prompt, const QString& path)
{
    prompt.Show(
        FormatTr(TrNoop("Die Datei konnte nicht geschrieben werden:\n%s"), path.toStdString()),
        Tr("Fehler"), PromptIcon::Error, PromptButtons::Ok);
}

void RecordOutput(const AlarmListCommandParts& parts, const char* kind, const char* format,
                  const QString& path, int rows)
{
    if (parts.audit == nullptr)
        return;
    AuditDetails details = {{"format", format}, {"rows", std::to_string(rows)}};
    if (!path.isEmpty())
        details.emplace_back("file", path.toStdString());
    if (!parts.filter.empty())
        details.emplace_back("filter", parts.filter);
    parts.audit->Record(kind, "alarm list", std::move(details));
}

} // namespace

QString ChoosePdfFile(QWidget* parent)
{
    return ChooseFile(parent, Tr("PDF-Dateien (*.pdf)"), QStringLiteral("pdf"));
}

void PrintAlarmList(const AlarmListCommandParts& parts)
{
    ShownAlarmList shown(parts.list, parts.database);
    AlarmListPrinter printer(shown, CurrentUserName(parts.tree), parts.clock.Now(), parts.filter);
    if (printer.PrintWithDialog(parts.parent))
        RecordOutput(parts, "print", "printer", {}, shown.RowCount());
}

void SaveAlarmListPdf(const AlarmListCommandParts& parts, QString path)
{
    if (path.isEmpty())
        path = ChoosePdfFile(parts.parent);
    if (path.isEmpty())
        return;
    ShownAlarmList shown(parts.list, parts.database);
    AlarmListPrinter printer(shown, CurrentUserName(parts.tree), parts.clock.Now(), parts.filter);
    if (!printer.ExportPdf(path))
        ReportFailure(parts.prompt, path);
    else
        RecordOutput(parts, "export", "PDF", path, shown.RowCount());
}

void SaveAlarmListCsv(const AlarmListCommandParts& parts, QString path)
{
    if (path.isEmpty())
        path = ChooseFile(parts.parent, Tr("CSV-Dateien (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    ShownAlarmList shown(parts.list, parts.database);
    if (!WriteAlarmListCsv(shown, path))
        ReportFailure(parts.prompt, path);
    else
        RecordOutput(parts, "export", "CSV", path, shown.RowCount());
}
