#pragma once

#include <QFrame>
#include <QPointer>

class QLabel;
class QPushButton;

// A line of news shown in the window the person works in, over the bottom edge of an
// area of it (a grid): no box to click away. It stays until the next news or until
// its "×" is pressed; a written file gets an "Otvori" button that opens it with the
// desktop's viewer (or, without one, tells where the file is).
class FeedbackBanner : public QFrame {
    Q_OBJECT
public:
    // A child of 'anchor's parent, kept along 'anchor's bottom edge.
    explicit FeedbackBanner(QWidget *anchor);
    // A child of 'parent' placed by the parent's layout (above or below what the window
    // shows on all its pages); hidden, it takes no room.
    static FeedbackBanner *InLayout(QWidget *parent);

    void Show(const QString &text);
    void ShowFile(const QString &text, const QString &fileName);
    QString Text() const;
    QString FileName() const { return m_fileName; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FeedbackBanner(QWidget *parent, QWidget *anchor);
    void Place();
    void OpenFile();

    QPointer<QWidget> m_anchor;
    QLabel *m_text;
    QPushButton *m_open;
    QString m_fileName;
};
