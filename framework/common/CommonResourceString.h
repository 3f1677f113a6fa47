#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The host's common messages, looked up by name at the moment of use
// (CommonResourceString("_CMN_NO_MODULE")). Names are the catalogue's own; an unknown
// name throws std::runtime_error, so a misspelt name cannot show an empty box.
QString CommonResourceString(QStringView name);
QStringList CommonResourceNames();

// _CMN_NO_MODULE filled with the display name of the module (a _CMN_MOD_..._NAME entry).
QString NoModuleMessage(QStringView moduleNameEntry);
