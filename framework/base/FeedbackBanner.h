#pragma once

#include <QFrame>
#include <QPointer>

class QLabel;
class QPushButton;

// A line of news shown in the window the person works in, over the bottom edge of an
// area of it (a grid): no box to click away. It stays until the next news or until
// its "×" is pressed; a written file gets an "Otvori" button that opens it with the
// desktop's viewer.
class FeedbackBanner : public QFrame {
    Q_OBJECT
public:
    // A child of 'anchor's parent, kept along 'anchor's bottom edge.
    explicit FeedbackBanner(QWidget *anchor);

    void Show(const QString &text);
    void ShowFile(const QString &text, const QString &fileName);
    QString Text() const;
    QString FileName() const { return m_fileName; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Place();
    void OpenFile() const;

    QPointer<QWidget> m_anchor;
    QLabel *m_text;
    QPushButton *m_open;
    QString m_fileName;
};
