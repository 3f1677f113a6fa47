#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <vector>

class QAbstractItemModel;

namespace console {

// CSV text of a table model (every row, those it has yet to fetch too): a header line with the columns' titles, then one line per
// row with each cell's display text. Every field is quoted ("" inside), lines end in
// CR LF, the text is UTF-8. 'columns' lists the model columns to write, in order.
// Text a spreadsheet would run as a formula (=, +, -, @ or their full-width forms first,
// also after blanks or line breaks; a tab or CR first) is written with a leading
// apostrophe; numbers, negative ones too, are written as they are.
QByteArray ModelToCsv(QAbstractItemModel &model, const std::vector<int> &columns,
                      QChar separator);

// Writes the bytes to the new file 'fileName' (mode 0600, never through a link; an
// existing plain file is replaced); throws dataset::Error when it cannot.
void WriteFile(const QString &fileName, const QByteArray &bytes);

} // namespace console
