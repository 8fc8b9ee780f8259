#include "ui/print/AlarmListCommands.h"

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

} // namespace

QString ChoosePdfFile(QWidget* parent)
{
    return ChooseFile(parent, Tr("PDF-Dateien (*.pdf)"), QStringLiteral("pdf"));
}

void PrintAlarmList(const AlarmListCommandParts& parts)
{
    ShownAlarmList shown(parts.list, parts.database);
    AlarmListPrinter printer(shown, CurrentUserName(parts.tree), Timestamp::Now(), parts.filter);
    printer.PrintWithDialog(parts.parent);
}

void SaveAlarmListPdf(const AlarmListCommandParts& parts, QString path)
{
    if (path.isEmpty())
        path = ChoosePdfFile(parts.parent);
    if (path.isEmpty())
        return;
    ShownAlarmList shown(parts.list, parts.database);
    AlarmListPrinter printer(shown, CurrentUserName(parts.tree), Timestamp::Now(), parts.filter);
    if (!printer.ExportPdf(path))
        ReportFailure(parts.prompt, path);
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
}
