#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <utility>

// Date texts as people and the operator's exports write them: "yyyy-mm-dd",
// "dd.mm.yyyy" and "d.m.yyyy" (a closing "." allowed, "/" also accepted as separator).
// A text that is not a valid date throws std::runtime_error whose what() is a Serbian
// UTF-8 message naming the text.
QDate MyDateStrToDate(const QString &text);

// The same dates, optionally followed by a time "hh:nn" or "hh:nn:ss" (after a blank
// or a "T"). Without a time the result is midnight.
QDateTime MyDateTimeStrToDateTime(const QString &text);

// The same texts as a date and a time of day, without turning them into a moment of the
// local time zone (which costs a time-zone look-up per call). Throws like it.
std::pair<QDate, QTime> MyDateTimeStrToParts(const QString &text);
