#pragma once

// What the module's pickers share: a list of fixed-pitch lines filling the window, a
// bottom strip with a search box, the choice the user made and the keys that make it.
// The lookup that creates a picker owns it for the length of the call.

#include <QDialog>

#include <memory>

class QLineEdit;
class QListWidget;

class TParkingSelectForm : public QDialog {
    Q_OBJECT
public:
    TParkingSelectForm(const QString &caption, int width, int height, int searchWidth);
    ~TParkingSelectForm() override;

    bool Selected = false;
    int SelectedIndex = 0;

    // Replaces the lines; the first one is selected when there is one.
    void SetLines(const QStringList &lines);
    // Hides the search strip: the list alone, with the focus.
    void HideSearchRow();
    // Puts 'text' in the search box.
    void SetSearchText(const QString &text);
    // A title line over the list, in the list's face, saying what its columns hold.
    void SetHeading(const QString &heading);

    void ListBoxDblClick();
    void ListBoxKeyDown(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The list and the search box, for a subclass that searches as the user types.
    QListWidget *ListBox() const;
    QLineEdit *SearchNameEdit() const;

private:
    struct Ui; // the widgets, each with an object name of its own

    std::unique_ptr<Ui> ui;
};
