#include "CsvExport.h"

#include <dataset/Error.h>
#include <dataset/widgets/DataSetModel.h>
#include <routines/PrivateFiles.h>

#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace console {

namespace {

// A spreadsheet takes a cell starting with =, +, -, @ (also their full-width forms, and
// also after leading blanks, tabs or line breaks) for a formula, and a leading tab or CR
// alone may start one; such text gets a leading apostrophe so it stays text. Numbers
// stay numbers.
QString Defused(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?\d[\d.,]*$)"));
    static const QString formula = QStringLiteral("=+-@\uFF1D\uFF0B\uFF0D\uFF20");
    static const QString blanks = QStringLiteral(" \t\r\n");
    if (text.isEmpty() || number.match(text).hasMatch())
        return text;
    qsizetype first = 0;
    while (first < text.size() && blanks.contains(text.at(first)))
        ++first;
    const bool startsFormula = first < text.size() && formula.contains(text.at(first));
    if (!startsFormula && text.front() != QLatin1Char('\t') && text.front() != QLatin1Char('\r'))
        return text;
    return QLatin1Char('\'') + text;
}

QString Quoted(QString text)
{
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray ModelToCsv(QAbstractItemModel &model, const std::vector<int> &columns,
                      QChar separator)
{
    QString text;
    QStringList fields;
    for (const int column : columns)
        fields << Quoted(Defused(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
    text += fields.join(separator) + QStringLiteral("\r\n");
    for (int row = 0; dataset::RowReady(model, row); ++row) {
        fields.clear();
        for (const int column : columns)
            fields << Quoted(Defused(model.index(row, column).data(Qt::DisplayRole).toString()));
        text += fields.join(separator) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

// A new file readable by its owner only, never written through a link planted in its
// place; a file the user chose to replace is removed first.
void WriteFile(const QString &fileName, const QByteArray &bytes)
{
    const QFileInfo info(fileName);
    if (info.isSymLink())
        throw dataset::Error(QStringLiteral("Datoteka %1 je veza na drugu datoteku; izvoz u nju nije dozvoljen.")
                                 .arg(QDir::toNativeSeparators(fileName)));
    if (info.exists() && !info.isFile())
        throw dataset::Error(QStringLiteral("%1 nije obična datoteka; izvoz u nju nije dozvoljen.")
                                 .arg(QDir::toNativeSeparators(fileName)));
    if (info.exists() && !QFile::remove(fileName))
        throw dataset::Error(QStringLiteral("Datoteka %1 ne može da se zameni.").arg(QDir::toNativeSeparators(fileName)));
    if (!WritePrivateFile(fileName, bytes)) {
        const QString cause = ErrorText();
        if (!QFileInfo(fileName).isSymLink())
            QFile::remove(fileName);
        throw dataset::Error(QStringLiteral("Datoteka %1 ne može da se zapiše: %2")
                                 .arg(QDir::toNativeSeparators(fileName), cause));
    }
}

} // namespace console
