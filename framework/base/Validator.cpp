#include <framework/base/Validator.h>

#include <dataset/Connection.h>
#include <dataset/Field.h>
#include <dataset/Query.h>
#include <dataset/SqlText.h>
#include <routines/TextFormat.h>

namespace {

// Rule messages come from the same catalogues as every other message: "%s" is the
// field's display label.
QString FormatMessage(const QString &message, const dataset::Field &field)
{
    return FormatResource(message, {field.DisplayLabel()});
}

bool IsEmpty(const dataset::Field &field)
{
    return field.IsNull() || field.AsString().isEmpty();
}

} // namespace

TFieldValidation FieldValidation(TFieldRef field, bool required, TFieldTest test,
                                 QString requiredMessage, QString invalidMessage)
{
    return TFieldValidation{std::move(field), required, std::move(test),
                            std::move(requiredMessage), std::move(invalidMessage)};
}

EValidationError::EValidationError(const QString &message, dataset::Query *dataSet,
                                   QString fieldName)
    : dataset::Error(message), m_dataSet(dataSet), m_fieldName(std::move(fieldName))
{
}

TValidator::TValidator(TFieldValidations rules) : m_rules(std::move(rules))
{
}

void TValidator::Validate(dataset::Query &dataSet, const QString &skippedField) const
{
    for (const TFieldValidation &rule : m_rules) {
        if (rule.Field.DataSet != &dataSet || (!skippedField.isEmpty() && rule.Field.FieldName == skippedField))
            continue;
        dataset::Field *field = dataSet.FindField(rule.Field.FieldName);
        if (!field) {
            throw dataset::Error(QStringLiteral("Pravilo za polje '%1' ne može da se proveri: "
                                                "skup podataka nema to polje.")
                                     .arg(rule.Field.FieldName));
        }
        if (IsEmpty(*field)) {
            // An empty optional field has nothing to test.
            if (rule.Required) {
                throw EValidationError(FormatMessage(rule.RequiredMessage, *field), &dataSet,
                                       rule.Field.FieldName);
            }
            continue;
        }
        if (rule.Test && !rule.Test(*field)) {
            throw EValidationError(FormatMessage(rule.InvalidMessage, *field), &dataSet,
                                   rule.Field.FieldName);
        }
    }
}

bool TestDate(dataset::Field &field)
{
    if (field.IsNull())
        return false;
    switch (field.DataType()) {
    case dataset::FieldType::Date:
        return field.AsDate().isValid();
    case dataset::FieldType::DateTime:
        return field.AsDateTime().isValid();
    default:
        // A text field holding a date written by hand; text that is no date is invalid.
        try {
            return field.AsDateTime().isValid();
        } catch (const std::exception &) {
            return false;
        }
    }
}

bool TestZeroLength(dataset::Field &field)
{
    return !field.IsNull() && !field.AsString().trimmed().isEmpty();
}

bool TestUnique(dataset::Field &field, const QString &table, const QString &column,
                const QString &keyColumn, const QString &extraWhere, int allowed)
{
    if (field.IsNull())
        return true;
    dataset::Query &owner = field.DataSet();
    dataset::Connection *connection = owner.GetConnection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Provera jedinstvenosti nema vezu sa bazom podataka."));

    QString sql = QStringLiteral("SELECT COUNT(*) AS samecount FROM %1 WHERE %2 = :value")
                      .arg(dataset::CheckedIdentifier(table), dataset::CheckedIdentifier(column));
    // The row being edited does not count against itself (a new row has no key yet).
    const dataset::Field *key = keyColumn.isEmpty() ? nullptr : owner.FindField(keyColumn);
    if (key && key->IsNull())
        key = nullptr;
    if (key)
        sql += QStringLiteral(" AND %1 <> :key").arg(dataset::CheckedIdentifier(keyColumn));
    if (!extraWhere.trimmed().isEmpty())
        sql += QStringLiteral(" AND (%1)").arg(extraWhere);

    dataset::Query count;
    count.SetConnection(connection);
    count.SetSQL({sql});
    count.SetParam(QStringLiteral("value"), field.AsString());
    if (key)
        count.SetParam(QStringLiteral("key"), key->AsString());
    count.Open();
    return count.FieldByName(QStringLiteral("samecount")).AsInteger() <= allowed;
}
