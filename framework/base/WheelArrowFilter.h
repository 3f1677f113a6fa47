#pragma once

#include <QObject>

// Turns every mouse-wheel notch anywhere in the application into an Up (wheel away
// from the user) or Down key press on the focused widget, so the wheel moves the focused
// list or grid one row; with the focus in a search box (a line edit) it does nothing. Installed on the application while its owner lives:
// `new WheelArrowFilter(form)`.
class WheelArrowFilter : public QObject {
    Q_OBJECT
public:
    explicit WheelArrowFilter(QObject *owner);
    ~WheelArrowFilter() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
