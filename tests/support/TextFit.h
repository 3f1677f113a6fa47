#pragma once

// What a person sees cut in a window: a label, button, placeholder or column title whose
// text is wider than the widget showing it, a toolbar that hides a command behind its
// overflow, or a widget placed by hand that runs into its neighbour or out of its panel.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace textfit {

inline QString Plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

inline QString Name(const QWidget *widget)
{
    return QStringLiteral("%1 \"%2\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
}

// The edit's own text, when it does not fit whole between the edit's frame and margins
// (the edit then scrolls and hides its first characters); empty when it fits.
inline QString ValueCut(const QLineEdit &edit)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    // Two pixels of inner margin on either side and the cursor's pixel.
    const int has = contents.width() - margins.left() - margins.right() - 2 * 2 - 1;
    const int need = edit.fontMetrics().horizontalAdvance(edit.text());
    if (need <= has)
        return {};
    return QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(Name(&edit), edit.text()).arg(need).arg(has);
}

// Every text of 'root' and its visible descendants that does not fit, one line each.
inline QStringList Cut(const QWidget &root)
{
    QStringList cut;
    QList<QWidget *> widgets = root.findChildren<QWidget *>();
    widgets.prepend(const_cast<QWidget *>(&root));
    for (QWidget *widget : widgets) {
        if (!widget->isVisible())
            continue;
        const QFontMetrics fm = widget->fontMetrics();
        const auto report = [&](const QString &text, int need, int has) {
            if (need > has)
                cut << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(Name(widget), text).arg(need).arg(has);
        };
        if (const auto *label = qobject_cast<QLabel *>(widget)) {
            if (!label->wordWrap() && !label->text().isEmpty() && label->textFormat() != Qt::RichText)
                report(label->text(), fm.horizontalAdvance(Plain(label->text())), label->contentsRect().width());
        } else if (const auto *tool = qobject_cast<QToolButton *>(widget)) {
            if (!tool->text().isEmpty() && tool->toolButtonStyle() != Qt::ToolButtonIconOnly)
                report(tool->text(), tool->sizeHint().width(), tool->width());
        } else if (const auto *button = qobject_cast<QAbstractButton *>(widget)) {
            // The text and a frame of two pixels on either side.
            if (!button->text().isEmpty())
                report(button->text(), fm.horizontalAdvance(Plain(button->text())) + 4, button->width());
        } else if (const auto *edit = qobject_cast<QLineEdit *>(widget)) {
            const int frame = edit->hasFrame() ? 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
            if (!edit->placeholderText().isEmpty() && edit->text().isEmpty())
                report(edit->placeholderText(), fm.horizontalAdvance(edit->placeholderText()) + frame + 4,
                       edit->width());
        } else if (const auto *combo = qobject_cast<QComboBox *>(widget)) {
            report(combo->currentText(), combo->minimumSizeHint().width(), combo->width());
        } else if (const auto *bar = qobject_cast<QToolBar *>(widget)) {
            for (QAction *action : bar->actions()) {
                const QWidget *shown = bar->widgetForAction(action);
                if (!action->isSeparator() && shown && !shown->isVisible())
                    cut << QStringLiteral("%1: \"%2\" behind the overflow").arg(Name(widget), Plain(action->text()));
            }
        } else if (const auto *table = qobject_cast<QTableView *>(widget)) {
            const QHeaderView *header = table->horizontalHeader();
            if (!header->isVisible())
                continue;
            const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int section = 0; section < header->count(); ++section) {
                if (header->isSectionHidden(section))
                    continue;
                const QString title = table->model()->headerData(section, Qt::Horizontal).toString();
                const int need = header->fontMetrics().horizontalAdvance(title) + 2 * margin;
                if (need > header->sectionSize(section))
                    cut << QStringLiteral("%1: title \"%2\" needs %3 px, has %4")
                               .arg(Name(widget), title)
                               .arg(need)
                               .arg(header->sectionSize(section));
            }
        }
        // Widgets placed by hand: none runs into a visible sibling or out of its parent.
        const QWidget *parent = widget->parentWidget();
        if (widget == &root || !parent || parent->layout() || widget->isWindow()
            || parent->metaObject() != &QWidget::staticMetaObject
            || qobject_cast<const QAbstractScrollArea *>(parent->parentWidget()))
            continue;
        if (!parent->rect().contains(widget->geometry()))
            cut << QStringLiteral("%1 runs out of %2").arg(Name(widget), Name(parent));
        for (const QObject *object : parent->children()) {
            const auto *sibling = qobject_cast<const QWidget *>(object);
            if (sibling && sibling != widget && sibling->isVisible() && !sibling->isWindow()
                && sibling->geometry().intersects(widget->geometry()) && widget < sibling)
                cut << QStringLiteral("%1 runs into %2").arg(Name(widget), Name(sibling));
        }
    }
    return cut;
}

} // namespace textfit
