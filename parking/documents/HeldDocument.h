#pragma once

// What the editor holds of a document, field by field, so that the edits made after a save
// whose outcome was not known can be put onto the document that save stored.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace dataset {
class Query;
}

struct HeldField {
    QString name;
    QVariant value;
    QString text; // the value as text, null told from empty
};

// One row's written fields; its text compares whole rows.
struct HeldRow {
    std::vector<HeldField> fields;
    QString text;
};

struct HeldDocument {
    HeldRow header;
    std::vector<HeldRow> items;
};

// The header's current row and every item row, without the keys and marks a stored row
// has of its own.
HeldDocument HoldDocument(const dataset::Query &document, dataset::Query &items);

// Puts onto the stored document the datasets show (which holds 'tried') what changed from
// 'tried' to 'now': header fields changed since are edited, items removed since are
// deleted and items added since appended, all as unsaved changes.
void PutBackEdits(const HeldDocument &tried, const HeldDocument &now, dataset::Query &document,
                  dataset::Query &items);
