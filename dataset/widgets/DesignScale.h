#pragma once

// Pixel sizes of the forms' designs are those of a desktop at 100 % (a 9-point font);
// these scale them to the font a widget really shows and measure what a text needs.

class QFont;
class QLineEdit;
class QString;
class QWidget;

namespace dataset {

// How much wider the font's characters are than the same family's at 9 points; never
// below 1, so a small font keeps the designed sizes.
double DesignScale(const QFont &font);
// 'designPixels' scaled to the widget's font.
int Scaled(const QWidget &widget, int designPixels);
// Resizes a window to its design size scaled to its font, but never beyond the screen
// it is shown on.
void ResizeScaled(QWidget &window, int designWidth, int designHeight);
// The width of 'text' in the widget's font, mnemonic ampersands left out.
int TextWidth(const QWidget &widget, const QString &text);
// The width the widget needs to show its own caption or placeholder whole (buttons,
// labels, line edits, combo boxes); 0 for other widgets.
int NeededWidth(const QWidget &widget);
// The longest text of a fixed form the edit is to show whole (a date, a personal
// number): NeededWidth holds it as it holds the placeholder.
void SetWidestText(QLineEdit &edit, const QString &text);

} // namespace dataset
