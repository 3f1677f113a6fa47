#include <routines/FormatFloat.h>

#include <QtTest>

class TestFormatFloat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithSerbianSeparators();
    void formatFloat_data();
    void formatFloat();
    void guardRestoresSettings();
    void formatDateTime_data();
    void formatDateTime();
};

// Whatever the desktop's locale (the tests run in C), amounts read as Serbian ones.
void TestFormatFloat::startsWithSerbianSeparators()
{
    QCOMPARE(FormatFloat("#,##0.00", 1000), QStringLiteral("1.000,00"));
    QCOMPARE(FormatFloat("0.00", 1234.5), QStringLiteral("1234,50"));
    QCOMPARE(StrToFloat(QStringLiteral("12,5")), 12.5);
}

void TestFormatFloat::formatFloat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QChar>("thousand");
    QTest::addColumn<QString>("expected");

    const QChar dot = QLatin1Char('.');
    const QChar comma = QLatin1Char(',');
    // Rounding works on the decimal value the double stands for, half away from zero.
    QTest::newRow("2.675 up") << "0.00" << 2.675 << dot << comma << "2.68";
    QTest::newRow("1.005 up") << "0.00" << 1.005 << dot << comma << "1.01";
    QTest::newRow("-2.675 symmetric") << "0.00" << -2.675 << dot << comma << "-2.68";
    QTest::newRow("half to whole") << "0" << 2.5 << dot << comma << "3";
    QTest::newRow("negative half") << "0" << -0.5 << dot << comma << "-1";
    QTest::newRow("carry through nines") << "0.00" << 9.999 << dot << comma << "10.00";
    QTest::newRow("bar code price") << "0" << 1500.0 << dot << comma << "1500";
    QTest::newRow("no minus zero") << "0.00" << -0.001 << dot << comma << "0.00";
    QTest::newRow("optional decimals") << "0.###" << 1.5 << dot << comma << "1.5";
    QTest::newRow("optional decimals none") << "0.###" << 2.0 << dot << comma << "2";
    QTest::newRow("optional decimals rounded") << "0.###" << 1.23456 << dot << comma << "1.235";
    QTest::newRow("hash only zero") << "#.##" << 0.5 << dot << comma << ".5";
    QTest::newRow("grouping") << "#,##0.00" << 1234567.891 << dot << comma << "1,234,567.89";
    QTest::newRow("grouping small") << "#,##0.00" << 12.0 << dot << comma << "12.00";
    QTest::newRow("grouping negative") << "#,##0.00" << -1234.5 << dot << comma << "-1,234.50";
    QTest::newRow("grouping rounds into group") << "#,##0.00" << 999.999 << dot << comma << "1,000.00";
    QTest::newRow("serbian separators") << "#,##0.00" << 1234567.891 << comma << dot << "1.234.567,89";
    QTest::newRow("serbian 0.00") << "0.00" << 12.3 << comma << dot << "12,30";
    // An import's decimal point "." beside the Serbian grouping "." groups with ",".
    QTest::newRow("decimal point as grouping") << "#,##0.00" << 1234.5 << dot << dot << "1,234.50";
    QTest::newRow("leading zeros") << "000" << 7.0 << dot << comma << "007";
    QTest::newRow("literal suffix") << "0.00 'din'" << 5.0 << dot << comma << "5.00 din";
    QTest::newRow("negative section") << "0.00;(0.00)" << -5.0 << dot << comma << "(5.00)";
    QTest::newRow("quoted semicolon") << "0.00' ;din'" << -5.0 << dot << comma << "-5.00 ;din";
    QTest::newRow("zero section") << "0.00;-0.00;'nula'" << 0.0 << dot << comma << "nula";
    QTest::newRow("large value") << "0" << 1e17 << dot << comma << "100000000000000000";
    QTest::newRow("general") << "" << 0.1 << comma << dot << "0,1";
}

void TestFormatFloat::formatFloat()
{
    QFETCH(QString, format);
    QFETCH(double, value);
    QFETCH(QChar, decimal);
    QFETCH(QChar, thousand);
    QFETCH(QString, expected);

    const FormatSettingsGuard guard;
    FormatSettings::Current().DecimalSeparator = decimal;
    FormatSettings::Current().ThousandSeparator = thousand;
    QCOMPARE(FormatFloat(format, value), expected);
}

void TestFormatFloat::guardRestoresSettings()
{
    const QChar before = FormatSettings::Current().DecimalSeparator;
    const QChar other = before == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    {
        const FormatSettingsGuard guard;
        FormatSettings::Current().DecimalSeparator = other;
        QCOMPARE(FormatFloat("0.0", 1.5), QString("1") + other + "5");
    }
    QCOMPARE(FormatSettings::Current().DecimalSeparator, before);
    QCOMPARE(FormatFloat("0.0", 1.5), QString("1") + before + "5");
}

void TestFormatFloat::formatDateTime_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("iso date") << "yyyy-mm-dd" << "2024-03-07";
    QTest::newRow("local date") << "dd.mm.yyyy" << "07.03.2024";
    QTest::newRow("hh:mm is minutes") << "dd.mm.yyyy hh:mm" << "07.03.2024 09:05";
    QTest::newRow("nn minutes") << "hh:nn:ss" << "09:05:04";
    QTest::newRow("two-digit year") << "yy" << "24";
    QTest::newRow("short forms") << "d.m.yy h:n" << "7.3.24 9:5";
    QTest::newRow("sql day end") << "yyyy-mm-dd '23:59:59'" << "2024-03-07 23:59:59";
    QTest::newRow("names") << "dddd, d. mmmm" << "četvrtak, 7. mart";
}

void TestFormatFloat::formatDateTime()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    const QDateTime value(QDate(2024, 3, 7), QTime(9, 5, 4));
    QCOMPARE(FormatDateTime(format, value), expected);
}

QTEST_GUILESS_MAIN(TestFormatFloat)
#include "tst_formatfloat.moc"
