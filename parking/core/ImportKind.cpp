#include "ImportKind.h"

namespace parking {

namespace {

const ImportKindName &NameOf(ImportKind kind)
{
    return kImportKindNames.at(static_cast<std::size_t>(kind));
}

} // namespace

QString ImportKindKey(ImportKind kind)
{
    return QString::fromLatin1(NameOf(kind).key);
}

QString ImportKindCaption(ImportKind kind)
{
    return QString::fromUtf8(NameOf(kind).caption);
}

std::optional<ImportKind> ImportKindFromKey(const QString &key)
{
    for (const ImportKindName &name : kImportKindNames)
        if (key == QLatin1String(name.key))
            return name.kind;
    return std::nullopt;
}

QString ImportKindCaptionOfKey(const QString &key)
{
    const std::optional<ImportKind> kind = ImportKindFromKey(key);
    return kind ? ImportKindCaption(*kind) : key;
}

} // namespace parking
