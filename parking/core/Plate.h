#pragma once

// A vehicle's registration as typed ("ns 77-88") and as every table compares it
// ("NS7788": without blanks and dashes, upper case; the tables keep it as 'platekey').

#include <QString>

namespace parking {

class Plate {
public:
    explicit Plate(const QString &typed);

    // The form compared with the tables' 'platekey'; empty when nothing but blanks and
    // dashes was typed.
    const QString &Key() const { return m_key; }
    // The registration as the user wrote it, without blanks around it.
    const QString &Display() const { return m_display; }
    bool IsEmpty() const { return m_key.isEmpty(); }

private:
    QString m_key;
    QString m_display;
};

// The compared form of 'typed' alone.
QString PlateKey(const QString &typed);

} // namespace parking
