#include "SortKeys.h"

#include "FieldValue.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <future>
#include <numeric>
#include <optional>

namespace dataset::detail {

namespace {

// Rank bits: the lowest orders nulls against values; the others describe the value.
constexpr std::uint8_t RankLate = 1;
constexpr std::uint8_t RankNull = 2;
constexpr std::uint8_t RankShared = 4;   // a text key holding the place of a shared text
constexpr std::uint64_t SignBit = std::uint64_t(1) << 63;

// The readers below accept exactly what the field values accept (FieldValue.cpp):
// text they cannot read sorts as null, as the value it would show.

// Days as year, month, day packed into one increasing number.
bool readDate(QByteArrayView text, std::uint64_t &out)
{
    int year = 0, month = 0, day = 0;
    if (!readDateParts(text, year, month, day) || !QDate::isValid(year, month, day))
        return false;
    out = (std::uint64_t(year) << 9) | (std::uint64_t(month) << 5) | std::uint64_t(day);
    return true;
}

// Milliseconds of the day, as the wall clock shows them.
bool readTime(QByteArrayView text, std::uint64_t &out)
{
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (!readTimeParts(text, hour, minute, second, msec) || !QTime::isValid(hour, minute, second, msec))
        return false;
    out = std::uint64_t(((hour * 60 + minute) * 60 + second) * 1000 + msec);
    return true;
}

bool readDateTime(QByteArrayView text, std::uint64_t &out)
{
    std::uint64_t day = 0;
    if (!readDate(text, day))
        return false;
    std::uint64_t time = 0;
    if (text.size() > 11 && !readTime(text.sliced(11), time))
        return false;
    out = day * 86400000u + time;
    return true;
}

std::uint64_t signedKey(qint64 value)
{
    return std::uint64_t(value) ^ SignBit;
}

std::uint64_t realKey(double value)
{
    if (value == 0)
        value = 0;      // -0 and 0 are equal
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return bits & SignBit ? ~bits : bits | SignBit;
}

// The number that orders a value of 'type' from 'text'; false when it reads as null.
bool numberKey(FieldType type, QByteArrayView text, std::uint64_t &out)
{
    switch (type) {
    case FieldType::Key:
    case FieldType::Integer:
    case FieldType::SmallInt: {
        qint64 value = 0;
        if (!readInt(text, value))
            return false;
        // Integer fields hold their value as a 32-bit one.
        out = signedKey(type == FieldType::Key ? value : int(value));
        return true;
    }
    case FieldType::Boolean: {
        qint64 value = 0;
        out = readInt(text, value) ? value != 0 : text.compare("true", Qt::CaseInsensitive) == 0;
        return true;
    }
    case FieldType::Real: {
        double value = 0;
        if (!readDouble(text, value))
            return false;
        out = realKey(value);
        return true;
    }
    case FieldType::Date:
        return readDate(text, out);
    case FieldType::DateTime:
        return readDateTime(text, out);
    case FieldType::String:
    case FieldType::Memo:
        break;
    }
    return false;
}

bool isText(FieldType type)
{
    return type == FieldType::String || type == FieldType::Memo;
}

char foldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// Characters whose order in the Serbian alphabet is that of their ASCII codes: digits,
// letters and the blank.
bool inCodeOrder(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ';
}

// The leading characters of a text (at most seven) that sort by their codes, case-folded,
// packed from the highest byte down, and their count in the lowest byte: two texts whose
// packed characters differ within the shorter count are ordered by the packed numbers
// alone, without reading the rows. The letters "lj" and "nj" are one letter each, after
// "l" and "n", so the prefix ends before them.
std::uint64_t textPrefix(QByteArrayView text)
{
    std::uint64_t packed = 0;
    int count = 0;
    for (; count < 7 && count < text.size(); ++count) {
        const auto c = static_cast<unsigned char>(foldAscii(text[count]));
        if (!inCodeOrder(c))
            break;
        if ((c == 'l' || c == 'n') && count + 1 < text.size() && foldAscii(text[count + 1]) == 'j')
            break;
        packed |= std::uint64_t(c) << (56 - 8 * count);
    }
    return packed | std::uint64_t(count);
}

// Whether every character of 'text' from 'from' on sorts by its code.
bool restInCodeOrder(QByteArrayView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i)
        if (!inCodeOrder(static_cast<unsigned char>(foldAscii(text[i]))))
            return false;
    return true;
}

// Texts in Serbian alphabetical order without regard to case: negative, 0 or positive.
// 'collate' compares the two whole texts where their codes cannot decide.
template <typename Collate>
int compareTexts(QByteArrayView textA, QByteArrayView textB, Collate collate)
{
    // While both texts hold only characters that sort by their codes and no "j" after an
    // "l" or "n", the first that differs decides; a text that ends there comes first.
    // Anything else goes to the collator, from the start: a letter may span two
    // characters.
    if (textA == textB)
        return 0;
    const qsizetype common = std::min(textA.size(), textB.size());
    qsizetype i = 0;
    for (; i < common; ++i) {
        const auto a = static_cast<unsigned char>(foldAscii(textA[i]));
        const auto b = static_cast<unsigned char>(foldAscii(textB[i]));
        if (!inCodeOrder(a) || !inCodeOrder(b))
            break;
        // Whether "lj" is one letter depends on its case ("lJ" is two).
        const char before = i > 0 ? foldAscii(textA[i - 1]) : '\0';
        if ((a == 'j' || b == 'j') && (before == 'l' || before == 'n'))
            break;
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (i == common) {
        if (textA.size() == textB.size())
            return 0;
        const QByteArrayView longer = textA.size() > textB.size() ? textA : textB;
        if (restInCodeOrder(longer, common))
            return textA.size() < textB.size() ? -1 : 1;
    }
    return collate();
}

int compareTexts(const QCollator &collator, QByteArrayView textA, QByteArrayView textB)
{
    return compareTexts(textA, textB,
                        [&] { return collator.compare(QString::fromUtf8(textA), QString::fromUtf8(textB)); });
}

// The shared texts of one column compared as compareTexts does, each text that reaches the
// collator turned into its sort key once, which then orders it as the collator would.
class SharedTextOrder {
public:
    SharedTextOrder(const QCollator &collator, const RowStore &store, int column)
        : m_collator(collator)
        , m_store(store)
        , m_column(column)
        , m_keys(store.SharedCount(column))
    {
    }
    int operator()(std::uint32_t a, std::uint32_t b)
    {
        const QByteArrayView textA = text(a);
        const QByteArrayView textB = text(b);
        return compareTexts(textA, textB, [&] {
            // The collator puts an empty text first even before one it ignores whole.
            if (textA.isEmpty() || textB.isEmpty())
                return textA.isEmpty() ? (textB.isEmpty() ? 0 : -1) : 1;
            return key(a).compare(key(b));
        });
    }

private:
    QByteArrayView text(std::uint32_t id) const { return m_store.SharedText(m_column, id); }
    const QCollatorSortKey &key(std::uint32_t id)
    {
        std::optional<QCollatorSortKey> &key = m_keys[id];
        if (!key)
            key.emplace(m_collator.sortKey(QString::fromUtf8(text(id))));
        return *key;
    }

    const QCollator &m_collator;
    const RowStore &m_store;
    int m_column;
    std::vector<std::optional<QCollatorSortKey>> m_keys;
};

} // namespace

std::vector<SortName> ParseSortText(const QString &text)
{
    std::vector<SortName> names;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        names.push_back({words.front(),
                         words.size() > 1 && words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0});
    }
    return names;
}

void SortKeys::Reset(std::vector<SortColumn> columns, const RowStore &store, std::size_t positions,
                     const SharedRanks *ranks)
{
    m_sharedRanks = ranks;
    m_columns = std::move(columns);
    m_store = &store;
    m_values.assign(positions * width(), 0);
    m_ranks.assign(positions * width(), 0);
    m_rows.assign(positions, nullptr);
}

void SortKeys::Set(std::uint32_t position, RowData row)
{
    if (Empty())
        return;
    const std::size_t at = std::size_t(position) * width();
    if (at + width() > m_values.size()) {
        m_values.resize(at + width(), 0);
        m_ranks.resize(at + width(), 0);
        m_rows.resize(std::size_t(position) + 1, nullptr);
    }
    m_rows[position] = row;
    for (std::size_t i = 0; i < width(); ++i) {
        const SortColumn &column = m_columns[i];
        std::uint64_t value = 0;
        bool present = row && !m_store->IsNull(row, column.column);
        std::uint8_t rank = 0;
        if (present) {
            const std::int64_t id = isText(column.type) && m_sharedRanks && !(*m_sharedRanks)[i].empty()
                ? m_store->SharedId(row, column.column)
                : -1;
            if (id >= 0) {
                value = (*m_sharedRanks)[i][std::size_t(id)];
                rank = RankShared;
            } else if (isText(column.type)) {
                value = textPrefix(m_store->Value(row, column.column));
            } else {
                const QByteArrayView text = m_store->Value(row, column.column);
                present = numberKey(column.type, text, value);
                if (column.descending)
                    value = ~value;
            }
        }
        if (!present && column.generated) {
            present = true;
            value = column.descending ? 0 : ~std::uint64_t(0);
        } else if (!present) {
            value = 0;
            rank = RankNull;
        }
        // Nulls are the lowest values: first when ascending, last when descending.
        if (present != column.descending)
            rank |= RankLate;
        m_values[at + i] = value;
        m_ranks[at + i] = rank;
    }
}

QCollator SerbianCollator()
{
    QCollator collator(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Made ready here, before threads share it: the first comparison sets it up.
    collator.compare(QStringLiteral("a"), QStringLiteral("b"));
    return collator;
}

SortKeys::SortKeys()
    : m_collator(SerbianCollator())
{
}

int SortKeys::compareText(RowData rowA, RowData rowB, int column) const
{
    return compareTexts(m_collator, m_store->Value(rowA, column), m_store->Value(rowB, column));
}

// Columns are ranked on two threads, each taking the next column not yet taken.
SharedRanks RankSharedTexts(const std::vector<SortColumn> &columns, const RowStore &store)
{
    SharedRanks ranks(columns.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        const QCollator collator = SerbianCollator();
        for (std::size_t i = next++; i < columns.size(); i = next++) {
            const int column = columns[i].column;
            const std::size_t count = store.SharedCount(column);
            if (!isText(columns[i].type) || count == 0)
                continue;
            std::vector<std::uint32_t> ids(count);
            std::iota(ids.begin(), ids.end(), 0u);
            SharedTextOrder order(collator, store, column);
            std::sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) { return order(a, b) < 0; });
            std::vector<std::uint32_t> &rank = ranks[i];
            rank.resize(count);
            std::uint32_t place = 0;
            for (std::size_t k = 0; k < count; ++k) {
                if (k > 0 && order(ids[k - 1], ids[k]) != 0)
                    ++place;
                rank[ids[k]] = columns[i].descending ? ~place : place;
            }
        }
    };
    auto other = std::async(std::launch::async, work);
    work();
    other.get();
    return ranks;
}

int SortKeys::Compare(std::uint32_t a, std::uint32_t b) const
{
    const std::size_t atA = std::size_t(a) * width();
    const std::size_t atB = std::size_t(b) * width();
    for (std::size_t i = 0; i < width(); ++i) {
        const std::uint8_t rankA = m_ranks[atA + i];
        const std::uint8_t rankB = m_ranks[atB + i];
        if ((rankA & RankLate) != (rankB & RankLate))
            return (rankA & RankLate) < (rankB & RankLate) ? -1 : 1;
        const SortColumn &column = m_columns[i];
        if (isText(column.type)) {
            if (rankA & RankNull)
                continue;
            const std::uint64_t valueA = m_values[atA + i];
            const std::uint64_t valueB = m_values[atB + i];
            int c = 0;
            if (rankA & rankB & RankShared) {
                // Places of shared texts, already flipped for descending keys.
                if (valueA != valueB)
                    return valueA < valueB ? -1 : 1;
                continue;
            }
            if ((rankA | rankB) & RankShared) {
                c = compareText(m_rows[a], m_rows[b], column.column);
            } else {
                const auto known = std::min(valueA & 0xFF, valueB & 0xFF);
                const std::uint64_t mask = known == 0 ? 0 : ~std::uint64_t(0) << (64 - 8 * known);
                if ((valueA & mask) != (valueB & mask))
                    c = (valueA & mask) < (valueB & mask) ? -1 : 1;
                else
                    c = compareText(m_rows[a], m_rows[b], column.column);
            }
            if (c != 0)
                return column.descending ? -c : c;
        } else if (m_values[atA + i] != m_values[atB + i]) {
            return m_values[atA + i] < m_values[atB + i] ? -1 : 1;
        }
    }
    return 0;
}

void SortKeys::Sort(std::vector<std::uint32_t> &slots) const
{
    if (Empty())
        return;
    const auto less = [this](std::uint32_t a, std::uint32_t b) {
        const int c = Compare(a, b);
        return c != 0 ? c < 0 : a < b;
    };
    // Large sets: each half on a thread of its own, then merged. The order is total (ties
    // go by slot), so the result is the one a single sort gives.
    if (slots.size() < 200000) {
        std::sort(slots.begin(), slots.end(), less);
        return;
    }
    const auto middle = slots.begin() + std::ptrdiff_t(slots.size() / 2);
    auto firstHalf = std::async(std::launch::async, [&] { std::sort(slots.begin(), middle, less); });
    std::sort(middle, slots.end(), less);
    firstHalf.get();
    std::inplace_merge(slots.begin(), middle, slots.end(), less);
}

} // namespace dataset::detail
