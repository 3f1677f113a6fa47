#pragma once

#include <QString>
#include <QStringList>

// Fills "%s" placeholders in order, as the message catalogues expect ("%%" is a
// percent sign). A placeholder without an argument becomes empty text and extra
// arguments are ignored, so a message is always shown rather than lost.
QString FormatResource(const QString &format, const QStringList &args);

// A value for an error text: at most 'max' characters, then "…" when it was longer, so a
// damaged file cannot make a message of megabytes.
QString ElidedValue(const QString &value, qsizetype max = 80);
