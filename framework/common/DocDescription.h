#pragma once

#include <QString>

// Display text of a host document type code ("F" -> "Faktura"); an unknown code is
// shown as it is stored.
QString GetDocDescription(const QString &documentType);
