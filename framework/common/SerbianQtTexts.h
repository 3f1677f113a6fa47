#pragma once

// Qt's own texts that the windows and the command line show (file dialog, standard
// buttons, message box details, print preview and print dialog, edit menu, --help) in
// Serbian, Latin script. Qt ships no Serbian catalogue of its own, so the texts used are
// held here.

#include <QHash>
#include <QTranslator>

class SerbianQtTexts : public QTranslator {
    Q_OBJECT
public:
    explicit SerbianQtTexts(QObject *parent = nullptr);

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    QHash<QByteArray, QString> m_texts;
};
