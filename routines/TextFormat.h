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

// Text from a file, a file name or the environment made safe to show on a terminal or in
// a window: control characters (newline as "\n", tab as "\t", others as "\x1b"), and bidi
// and line-separator marks (as "\u202e") are written out, so none can move the cursor,
// colour, clear the screen, reverse text or start a forged line.
QString SafeText(const QString &text);
// SafeText for each line of a text whose line breaks are its own.
QString SafeLines(const QString &text);
