#pragma once

#include <QApplication>

// The busy (hourglass) cursor for a scope: shown on construction, the previous cursor
// back on destruction, on every path. Guards nest.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
