#include "DesignScale.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtMath>

#include <algorithm>

namespace dataset {

namespace {

constexpr double kDesignPointSize = 9.0;
constexpr const char *kWidestText = "widestText";

QString WithoutMnemonics(QString text)
{
    for (qsizetype i = text.indexOf(QLatin1Char('&')); i >= 0; i = text.indexOf(QLatin1Char('&'), i + 1))
        text.remove(i, 1);
    return text;
}

int ButtonWidth(const QAbstractButton &button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    const QSize text(TextWidth(button, button.text()), button.fontMetrics().height());
    // Without the style's minimum width for text buttons: only the frame and margins.
    const int margins = button.style()->pixelMetric(QStyle::PM_ButtonMargin, &option, &button)
        + 2 * button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &button);
    const int icon = button.icon().isNull() ? 0 : button.iconSize().width() + 4;
    return text.width() + margins + icon;
}

} // namespace

double DesignScale(const QFont &font)
{
    QFont design(font);
    design.setPointSizeF(kDesignPointSize);
    const double designWidth = QFontMetricsF(design).averageCharWidth();
    if (designWidth <= 0)
        return 1.0;
    return qMax(1.0, QFontMetricsF(font).averageCharWidth() / designWidth);
}

int Scaled(const QWidget &widget, int designPixels)
{
    return qCeil(designPixels * DesignScale(widget.font()) - 0.01);
}

void ResizeScaled(QWidget &window, int designWidth, int designHeight)
{
    QSize size(Scaled(window, designWidth), Scaled(window, designHeight));
    if (const QScreen *screen = window.screen())
        size = size.boundedTo(screen->availableGeometry().size());
    window.resize(size);
}

int TextWidth(const QWidget &widget, const QString &text)
{
    return widget.fontMetrics().horizontalAdvance(WithoutMnemonics(text));
}

int NeededWidth(const QWidget &widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        return ButtonWidth(*button);
    if (const auto *label = qobject_cast<const QLabel *>(&widget)) {
        const QMargins margins = label->contentsMargins();
        return TextWidth(widget, label->text()) + margins.left() + margins.right() + 2 * label->frameWidth();
    }
    if (const auto *edit = qobject_cast<const QLineEdit *>(&widget)) {
        // The text a person types may scroll; the placeholder tells what to type, and a
        // value of a fixed form (a date) is read at a glance: both are shown whole.
        const int shown = std::max(widget.fontMetrics().horizontalAdvance(edit->placeholderText()),
                                   widget.fontMetrics().horizontalAdvance(edit->property(kWidestText).toString()));
        const QMargins margins = edit->textMargins();
        // The frame and the two-pixel inner margin on each side that the edit keeps.
        return shown + margins.left() + margins.right() + 2 * 2
            + (edit->hasFrame() ? 2 * widget.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0) + 2;
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(&widget))
        return combo->minimumSizeHint().width();
    return 0;
}

void SetWidestText(QLineEdit &edit, const QString &text)
{
    edit.setProperty(kWidestText, text);
}

} // namespace dataset
