#include "CsvExport.h"

#include <dataset/Error.h>

#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

namespace console {

namespace {

// A spreadsheet takes a cell starting with =, +, -, @ (or a tab or CR before them) for a
// formula; such text gets a leading apostrophe so it stays text. Numbers stay numbers.
QString Defused(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?\d[\d.,]*$)"));
    static const QString triggers = QStringLiteral("=+-@\t\r");
    if (text.isEmpty() || !triggers.contains(text.front()) || number.match(text).hasMatch())
        return text;
    return QLatin1Char('\'') + text;
}

QString Quoted(QString text)
{
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray ModelToCsv(const QAbstractItemModel &model, const std::vector<int> &columns,
                      QChar separator)
{
    QString text;
    QStringList fields;
    for (const int column : columns)
        fields << Quoted(Defused(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
    text += fields.join(separator) + QStringLiteral("\r\n");
    for (int row = 0; row < model.rowCount(); ++row) {
        fields.clear();
        for (const int column : columns)
            fields << Quoted(Defused(model.index(row, column).data(Qt::DisplayRole).toString()));
        text += fields.join(separator) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

void WriteFile(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw dataset::Error(QStringLiteral("Datoteka %1 ne može da se zapiše: %2")
                                 .arg(fileName, file.errorString()));
}

} // namespace console
