#pragma once

#include <QValidator>

class QLineEdit;

namespace dataset {

// Keeps a line edit's text within a number of characters as the server counts them
// (code points): QLineEdit's own maximum counts UTF-16 units and may split a character.
// Text beyond the limit (a paste) is cut, never inside a character.
class CharacterLimit : public QValidator {
public:
    explicit CharacterLimit(int limit, QObject *parent = nullptr) : QValidator(parent), m_limit(limit) {}
    int Limit() const { return m_limit; }
    State validate(QString &input, int &pos) const override;

private:
    int m_limit;
};

// Limits 'edit' to 'limit' characters (no limit when 'limit' is 0 or less).
void LimitCharacters(QLineEdit &edit, int limit);

} // namespace dataset
