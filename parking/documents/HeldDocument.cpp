#include "HeldDocument.h"

#include <dataset/ControlsDisabled.h>
#include <dataset/Query.h>

#include <QHash>
#include <algorithm>
#include <QScopeGuard>

#include <utility>

namespace {

const QStringList kOwnHeaderFields{QStringLiteral("parkingdocumentid"), QStringLiteral("number"),
                                   QStringLiteral("savetoken")};
const QStringList kOwnItemFields{QStringLiteral("parkingdocumentitemid"), QStringLiteral("parkingdocumentid")};

QString CompareText(const dataset::Field &field)
{
    return field.IsNull() ? QStringLiteral("\\N") : field.AsString();
}

// The current row's written fields but 'own'.
HeldRow HoldRow(const dataset::Query &query, const QStringList &own)
{
    HeldRow row;
    for (int i = 0; i < query.FieldCount(); ++i) {
        const dataset::Field &field = query.Fields(i);
        if (!field.Writable() || own.contains(field.FieldName()))
            continue;
        HeldField held{field.FieldName(), field.Value(), CompareText(field)};
        row.text += held.name + QLatin1Char('=') + held.text + QChar(0x1f);
        row.fields.push_back(std::move(held));
    }
    return row;
}

// How often each row text occurs in 'rows'.
QHash<QString, int> Counts(const std::vector<HeldRow> &rows)
{
    QHash<QString, int> counts;
    for (const HeldRow &row : rows)
        ++counts[row.text];
    return counts;
}

void PutBackHeader(const HeldRow &tried, const HeldRow &now, dataset::Query &document)
{
    QHash<QString, QString> before;
    for (const HeldField &field : tried.fields)
        before.insert(field.name, field.text);
    for (const HeldField &field : now.fields) {
        if (before.value(field.name) == field.text)
            continue;
        if (!document.IsEditing())
            document.Edit();
        document.FieldByName(field.name).SetValue(field.value);
    }
}

} // namespace

HeldDocument HoldDocument(const dataset::Query &document, dataset::Query &items)
{
    HeldDocument held{HoldRow(document, kOwnHeaderFields), {}};
    if (!items.Active())
        return held;
    const dataset::ControlsDisabled quiet(items);
    for (items.First(); !items.Eof(); items.Next())
        held.items.push_back(HoldRow(items, kOwnItemFields));
    items.First();
    return held;
}

void PutBackEdits(const HeldDocument &tried, const HeldDocument &now, dataset::Query &document,
                  dataset::Query &items)
{
    PutBackHeader(tried.header, now.header, document);
    if (!items.Active())
        return;
    // Rows removed since (tried, not now) and added since (now, not tried), by their text.
    QHash<QString, int> removed = Counts(tried.items);
    QHash<QString, int> added = Counts(now.items);
    for (auto it = added.begin(); it != added.end(); ++it) {
        const int both = std::min(it.value(), removed.value(it.key()));
        it.value() -= both;
        removed[it.key()] -= both;
    }
    const dataset::ControlsDisabled quiet(items);
    std::vector<dataset::Bookmark> gone;
    for (items.First(); !items.Eof(); items.Next()) {
        int &count = removed[HoldRow(items, kOwnItemFields).text];
        if (count > 0) {
            --count;
            gone.push_back(items.GetBookmark());
        }
    }
    {
        // Removed by the cashier before: not asked again.
        const dataset::DataSetNotifyEvent ask = std::exchange(items.BeforeDelete, {});
        const auto restore = qScopeGuard([&] { items.BeforeDelete = ask; });
        for (const dataset::Bookmark row : gone) {
            items.GotoBookmark(row);
            items.Delete();
        }
    }
    for (const HeldRow &row : now.items) {
        int &count = added[row.text];
        if (count <= 0)
            continue;
        --count;
        items.Append();
        for (const HeldField &field : row.fields)
            items.FieldByName(field.name).SetValue(field.value);
        items.Post();
    }
    items.First();
}
