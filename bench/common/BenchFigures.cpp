#include "BenchFigures.h"

#include "Connection.h"
#include "Query.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>

namespace bench {

double SecondsOf(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString Listed(const std::vector<double> &values, int decimals)
{
    QStringList texts;
    for (const double value : values)
        texts << QString::number(value, 'f', decimals);
    return texts.join(QLatin1Char(' '));
}

QString Scalar(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    return query.IsEmpty() ? QString() : query.Fields(0).AsString();
}

} // namespace bench
