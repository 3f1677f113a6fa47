#pragma once

// The twelve 16x16 icons of the document list's actions, drawn in code.

#include <QIcon>
#include <QList>

// Index: 0 add, 1 edit, 2 delete, 3 refresh, 4 search, 5 print, 6 pay desk,
// 7 zones, 8 tickets, 9 subscriptions, 10 start-stop, 11 vehicle history.
QList<QIcon> ParkingViewerImages();
