#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Date texts as people and the operator's exports write them: "yyyy-mm-dd",
// "dd.mm.yyyy" and "d.m.yyyy" (a closing "." allowed, "/" also accepted as separator).
// A text that is not a valid date throws std::runtime_error whose what() is a Serbian
// UTF-8 message naming the text.
QDate MyDateStrToDate(const QString &text);

// The same dates, optionally followed by a time "hh:nn" or "hh:nn:ss" (after a blank
// or a "T"). Without a time the result is midnight.
QDateTime MyDateTimeStrToDateTime(const QString &text);
