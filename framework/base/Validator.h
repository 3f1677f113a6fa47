#pragma once

// Field rules checked before a dataset posts: a rule names a dataset's field, whether
// it must hold a value and a test its value must pass, with the messages shown when not.

#include <dataset/Error.h>

#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace dataset { class Field; class Query; }

// A dataset and the name of one of its fields (fields exist only while it is open).
struct TFieldRef {
    TFieldRef(dataset::Query *dataSet, QString fieldName)
        : DataSet(dataSet), FieldName(std::move(fieldName)) {}
    TFieldRef(dataset::Query &dataSet, QString fieldName)
        : DataSet(&dataSet), FieldName(std::move(fieldName)) {}
    dataset::Query *DataSet;
    QString FieldName;
};

using TFieldTest = std::function<bool(dataset::Field &)>;

struct TFieldValidation {
    TFieldRef Field;
    bool Required = false;
    TFieldTest Test;              // may be empty: no test
    QString RequiredMessage;      // "%s" is replaced with the field's display label
    QString InvalidMessage;       // likewise
};

using TFieldValidations = std::vector<TFieldValidation>;

TFieldValidation FieldValidation(TFieldRef field, bool required, TFieldTest test,
                                 QString requiredMessage, QString invalidMessage);

// Raised when a rule refuses a post; names the field that failed.
class EValidationError : public dataset::Error {
public:
    EValidationError(const QString &message, dataset::Query *dataSet, QString fieldName);
    dataset::Query *DataSet() const { return m_dataSet; }
    const QString &FieldName() const { return m_fieldName; }

private:
    dataset::Query *m_dataSet;
    QString m_fieldName;
};

class TValidator {
public:
    explicit TValidator(TFieldValidations rules);

    // Checks the rules of 'dataSet' in their order on its current (edited) row; the
    // first one that fails throws EValidationError with its message. The rules of field
    // 'skippedField' (when not empty) are left out.
    void Validate(dataset::Query &dataSet, const QString &skippedField = {}) const;
    const TFieldValidations &Rules() const { return m_rules; }

private:
    TFieldValidations m_rules;
};

// Host tests for field rules.
// A valid date (or date and time) is set.
bool TestDate(dataset::Field &field);
// The text is not empty (blanks alone count as empty).
bool TestZeroLength(dataset::Field &field);
// True when no other row of 'table' (one whose 'keyColumn' differs from the field's row's
// key) holds the field's value in 'column'; 'extraWhere' (SQL condition text written by
// the caller, may be empty) narrows the rows compared; 'allowed' other rows may share
// the value (0: the value must be unique). A null value is always unique.
bool TestUnique(dataset::Field &field, const QString &table, const QString &column,
                const QString &keyColumn, const QString &extraWhere, int allowed);
