#pragma once

// A two-column editor of key/value rows: the left column shows each row's caption (its
// key until one is given), the right column a text editor for the value. Chosen rows
// carry an ellipsis button.

#include <QStringList>
#include <QTableWidget>
#include <functional>

class QLineEdit;

class TValueListEditor : public QTableWidget {
    Q_OBJECT
public:
    explicit TValueListEditor(QWidget *parent = nullptr);

    // Appends a row; keys are unique (an existing key throws).
    void AddRow(const QString &key, const QString &value = {});
    QStringList Keys() const;
    int RowOfKey(const QString &key) const;       // -1 when missing
    QString KeyOfRow(int row) const;

    // Throw dataset::Error for an unknown key.
    QString Value(const QString &key) const;
    void SetValue(const QString &key, const QString &value);
    QString Caption(const QString &key) const;
    void SetCaption(const QString &key, const QString &caption);
    void SetEllipsis(const QString &key, bool ellipsis);
    bool Ellipsis(const QString &key) const;

    // Key of the current row; empty when there is none.
    QString CurrentKey() const;
    void SetCurrentKey(const QString &key);
    // The value editor of a row (for focus and tests).
    QLineEdit *ValueEditor(const QString &key) const;

    // Key hooks run before a value editor handles a key: setting key to 0 drops it,
    // clearing text drops the typed characters.
    std::function<void(int &key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
    std::function<void(QString &text)> OnKeyPress;

Q_SIGNALS:
    // The ellipsis button of the current row was pressed.
    void editButtonClicked();
    void valueChanged(const QString &key, const QString &value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int CheckedRow(const QString &key) const;
};
