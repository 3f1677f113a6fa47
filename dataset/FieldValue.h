#pragma once

// Conversions between the text form of a column (as the server sends it and as rows
// keep it) and the typed value a field exposes.

#include "Field.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>

namespace dataset::detail {

// Readers of the server's text form; false (or -1) when the whole text is not one.
bool readInt(QByteArrayView text, qint64 &out);   // DECIMAL text keeps its whole part
bool readDouble(QByteArrayView text, double &out);
int digits(const char *p, int count);            // 'count' decimal digits, -1 if any is not
// Parts of "yyyy-MM-dd" and of "HH:mm:ss" with optional fractional seconds; false when
// the separators are missing. A part that is not all digits reads as -1.
bool readDateParts(QByteArrayView text, int &year, int &month, int &day);
bool readTimeParts(QByteArrayView text, int &hour, int &minute, int &second, int &msec);

// Typed value of stored text; zero or unreadable dates give a null value.
QVariant Decode(FieldType type, QByteArrayView text);
// True when stored text of a date type stands for no date ('0000-00-00...').
bool IsZeroDate(FieldType type, QByteArrayView text);
// Stored text of a typed value (the value must already suit the type).
QByteArray Encode(FieldType type, const QVariant &value);
// 'value' turned into the field's type; strings are cut to 'size' characters.
// Throws Error naming 'label' when the value cannot be read as that type.
QVariant Coerce(FieldType type, int size, const QVariant &value, const QString &label);
// The characters of 'text' as the server counts them (code points, not UTF-16 units).
qsizetype CharacterCount(const QString &text);
// 'text' cut to at most 'count' characters; a character is never split.
QString CutToCharacters(const QString &text, qsizetype count);
// Text of a typed value for AsString and display: numbers plain, dates ISO-like.
QString TextOf(FieldType type, const QVariant &value);

} // namespace dataset::detail
