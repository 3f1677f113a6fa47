#include "CharacterLimit.h"

#include <dataset/FieldValue.h>

#include <QLineEdit>

namespace dataset {

QValidator::State CharacterLimit::validate(QString &input, int &pos) const
{
    if (m_limit > 0 && input.size() > m_limit && detail::CharacterCount(input) > m_limit) {
        input = detail::CutToCharacters(input, m_limit);
        pos = qMin(pos, int(input.size()));
    }
    return Acceptable;
}

void LimitCharacters(QLineEdit &edit, int limit)
{
    auto *current = dynamic_cast<const CharacterLimit *>(edit.validator());
    if (current && current->Limit() == limit)
        return;
    // A character takes at most two UTF-16 units; the validator counts characters.
    const int units = limit > 0 ? qMin(2 * limit, 32767) : 32767;
    if (units != edit.maxLength())
        edit.setMaxLength(units);
    edit.setValidator(limit > 0 ? new CharacterLimit(limit, &edit) : nullptr);
    delete current;
}

} // namespace dataset
