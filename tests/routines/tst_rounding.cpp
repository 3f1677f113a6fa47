#include <routines/BetterRound.h>
#include <routines/FormatFloat.h>

#include <QtTest>

#include <stdexcept>

class TestRounding : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void betterRoundTo_data();
    void betterRoundTo();
    void strToFloat_data();
    void strToFloat();
};

void TestRounding::betterRoundTo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");

    // Binary doubles just below the half: naive value*100 rounding gets these wrong.
    QTest::newRow("1.005") << 1.005 << -2 << 1.01;
    QTest::newRow("2.675") << 2.675 << -2 << 2.68;
    QTest::newRow("1.115") << 1.115 << -2 << 1.12;
    QTest::newRow("-1.005 symmetric") << -1.005 << -2 << -1.01;
    QTest::newRow("-2.5 away from zero") << -2.5 << 0 << -3.0;
    QTest::newRow("below half") << 2.674999 << -2 << 2.67;
    QTest::newRow("carry") << 9.995 << -2 << 10.0;
    QTest::newRow("already round") << 12.5 << -2 << 12.5;
    QTest::newRow("gross item") << 100.0 * (20.0 / 100 + 1) << -2 << 120.0;
    QTest::newRow("gross odd") << 83.33 * 1.2 << -2 << 100.0;
    QTest::newRow("tens") << 1234.5 << 1 << 1230.0;
    QTest::newRow("hundreds up") << 1250.0 << 2 << 1300.0;
    QTest::newRow("hundreds to zero") << 49.0 << 2 << 0.0;
    QTest::newRow("three decimals") << 0.0005 << -3 << 0.001;
    QTest::newRow("zero") << 0.0 << -2 << 0.0;
}

void TestRounding::betterRoundTo()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(BetterRoundTo(value, digits), expected);
}

void TestRounding::strToFloat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("expected");

    const QChar dot = QLatin1Char('.');
    const QChar comma = QLatin1Char(',');
    QTest::newRow("dot") << "12.50" << dot << true << 12.5;
    QTest::newRow("comma") << "12,50" << comma << true << 12.5;
    QTest::newRow("grouping refused") << "1.234,5" << comma << false << 0.0;
    QTest::newRow("blanks") << " 7 " << dot << true << 7.0;
    QTest::newRow("negative") << "-3.25" << dot << true << -3.25;
    QTest::newRow("wrong separator") << "12,50" << dot << false << 0.0;
    QTest::newRow("empty") << "" << dot << false << 0.0;
    QTest::newRow("letters") << "12a" << dot << false << 0.0;
}

void TestRounding::strToFloat()
{
    QFETCH(QString, text);
    QFETCH(QChar, decimal);
    QFETCH(bool, valid);
    QFETCH(double, expected);

    const FormatSettingsGuard guard;
    FormatSettings::Current().DecimalSeparator = decimal;
    FormatSettings::Current().ThousandSeparator = decimal == QLatin1Char('.')
            ? QLatin1Char(',') : QLatin1Char('.');
    if (valid) {
        QCOMPARE(StrToFloat(text), expected);
    } else {
        try {
            StrToFloat(text);
            QFAIL("no error for an invalid number");
        } catch (const std::runtime_error &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(text) && message.contains(QStringLiteral("broj")),
                     qPrintable(message));
        }
    }
}

QTEST_GUILESS_MAIN(TestRounding)
#include "tst_rounding.moc"
