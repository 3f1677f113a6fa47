// News for the cashier in the editor's own window: what a save, an invoice or a
// printout did, and which field a text was cut to fit.

#include "ParkingDetailUnit.h"
#include "ParkingDetailUi.h"

#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/FeedbackBanner.h>
#include <parking/data/ParkingDMUnit.h>

void TParkingDetailForm::SetUpFeedback()
{
    m_feedback = new FeedbackBanner(ui->DocumentItemDBG);
    for (dataset::Query *query : {&Document(), &Items()}) {
        connect(query, &dataset::Query::valueCut, this, [this, query](const QString &fieldName, int limit) {
            const QString label = query->FieldByName(fieldName).DisplayLabel();
            Tell(QStringLiteral("Polje \"%1\" je skraćeno na %2 znakova.").arg(label).arg(limit));
        });
    }
}

void TParkingDetailForm::Tell(const QString &text, const QString &fileName)
{
    m_feedback->ShowFile(text, fileName);
}

QString TParkingDetailForm::Feedback() const
{
    return m_feedback->isVisibleTo(this) ? m_feedback->Text() : QString();
}

// After a save: the number the document has, and why it is not the one shown before.
void TParkingDetailForm::TellSaved(const QString &shownNumber)
{
    const QString number = Document().FieldByName(QStringLiteral("number")).AsString();
    QString text = QStringLiteral("Dokument je snimljen pod brojem %1.").arg(number);
    if (!shownNumber.isEmpty() && shownNumber != number)
        text += QStringLiteral(" Broj %1 je u međuvremenu dobio drugi dokument.").arg(shownNumber);
    Tell(text);
}
