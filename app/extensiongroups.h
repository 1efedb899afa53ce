// The extension groups that decide which tool opens a file.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace brivo {

// The text after the last "." of the whole path (folders included, so it may contain "/"), case kept.
// Empty when the path ends in "." and also when it holds no "." at all: check hasDot() for that case.
QString extensionOf(const QString &path);
bool hasDot(const QString &path);

// One extension group: the tool it opens and its entries, in the order they are compared.
struct ExtensionGroup
{
    Tool tool;
    QStringList extensions;
};

// Every group, in the order the groups are compared.
BRIVO_CORE_EXPORT QList<ExtensionGroup> extensionGroups();

// The tool whose extension group lists `extension` exactly (case-sensitive), groups compared in their
// fixed order. An extension longer than 99 characters is never recognised.
BRIVO_CORE_EXPORT std::optional<Tool> toolForExtension(const QString &extension);

} // namespace brivo
