#pragma once

// The module's configuration file: the one the console reads, else the host program's
// path with its extension replaced by ".ini"; read the way the operator edits it by hand.

#include <QString>

namespace parking {
class HostServices;
}

// The console's configuration file (the host's configuration module), else the file
// beside the running program.
QString ParkingConfigFilePath(const parking::HostServices &host);

// Value of 'key' in '[section]' of the INI file at 'filePath': text after the first
// '=' with blanks (and one pair of enclosing double quotes) removed. Section and key
// names compare without regard to case; the first match wins. An absent file,
// section or key gives empty text. Backslashes and commas are plain characters.
QString ReadIniValue(const QString &filePath, const QString &section, const QString &key);
