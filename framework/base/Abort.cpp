#include <framework/base/Abort.h>

EAbort::EAbort() : dataset::Error(QStringLiteral("Operacija je prekinuta."))
{
}

void Abort()
{
    throw EAbort();
}
