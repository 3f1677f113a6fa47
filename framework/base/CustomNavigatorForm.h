#pragma once

// Base of a snap-in's search frame: a value-list editor of search values and a Find
// button. A derived form adds its rows, then calls its SetSearchProps; Enter in a value
// starts the search like the button does.

#include <QWidget>

class QPushButton;
class TValueListEditor;

class TCustomNavigatorForm : public QWidget {
    Q_OBJECT
public:
    explicit TCustomNavigatorForm(QWidget *parent = nullptr);
    ~TCustomNavigatorForm() override;

    TValueListEditor *SearchVLE;
    QPushButton *FindButton;

    QString SearchValue(const QString &key) const;
    void SetSearchValue(const QString &key, const QString &value);
    QString CurrentSearchKey() const;

    // The search command (the Find button and Enter).
    virtual void FindButtonClick();
    // The SQL text the current search values stand for; the base has none.
    virtual QString ParseSQL();

protected:
    // Captions and ellipsis buttons of the rows; overrides call the base's at the end.
    virtual void SetSearchProps();
    // The ellipsis button of the current row.
    virtual void SearchVLEEditButtonClick();
    // Keys in a value editor: Enter starts the search (the key is then dropped).
    virtual void SearchVLEKeyDown(int &key, Qt::KeyboardModifiers modifiers);
    // Characters typed into a value; the base lets them through.
    virtual void SearchVLEKeyPress(QString &text);
};
