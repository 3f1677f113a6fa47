#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

// Process-wide number and date format settings, Serbian ones (1.000,00) from the start.
// Callers that need another decimal separator for a while save, change and restore it
// (FormatSettingsGuard does that for a scope).
struct FormatSettings {
    QChar DecimalSeparator = QLatin1Char(',');
    QChar ThousandSeparator = QLatin1Char('.');

    static FormatSettings &Current();
};

class FormatSettingsGuard {
public:
    FormatSettingsGuard()
        : m_saved(FormatSettings::Current())
    {
    }
    ~FormatSettingsGuard() { FormatSettings::Current() = m_saved; }
    FormatSettingsGuard(const FormatSettingsGuard &) = delete;
    FormatSettingsGuard &operator=(const FormatSettingsGuard &) = delete;

private:
    FormatSettings m_saved;
};

// Formats like the host's FormatFloat: "0", "0.00", "0.###", "#,##0.00" (and similar
// patterns of 0, #, ',' and '.'), with the current decimal and thousand separators.
QString FormatFloat(const QString &format, double value);

// Reads a number written with the current separators; throws std::runtime_error (a
// Serbian message naming the text) when it is not one.
double StrToFloat(const QString &text);

// "yyyy-mm-dd", "dd.mm.yyyy", "dd.mm.yyyy hh:nn", "yy", "hh:nn:ss" (nn = minutes).
QString FormatDateTime(const QString &format, const QDateTime &value);
