#include "ui/print/AlarmListCsv.h"

#include "ui/print/ShownAlarmList.h"

#include <QSaveFile>

namespace {

void WriteLine(QSaveFile& file, const QStringList& fields)
{
    QString line = fields.join(kCsvSeparator);
    line += QStringLiteral("\r\n");
    file.write(line.toUtf8());
}

} // namespace

QString CsvField(const QString& text)
{
    QString field = text;
    if (!field.isEmpty() && QStringLiteral("=+-@\t\r").contains(field.front()))
        field.prepend(u'\'');
    bool quote = field.contains(kCsvSeparator) || field.contains(u'"') || field.contains(u'\n') ||
                 field.contains(u'\r');
    if (!quote)
        return field;
    field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

bool WriteAlarmListCsv(const ShownAlarmList& list, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("\xEF\xBB\xBF");
    QStringList fields;
    for (int column : list.Columns())
        fields << CsvField(list.Header(column));
    WriteLine(file, fields);
    for (int row = 0; row < list.RowCount(); ++row) {
        fields.clear();
        for (int column : list.Columns())
            fields << CsvField(list.Cell(row, column, TimeText::Iso8601));
        WriteLine(file, fields);
    }
    return file.commit();
}
