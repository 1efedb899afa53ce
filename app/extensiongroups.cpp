#include "app/extensiongroups.h"

namespace brivo {

namespace {

// The extension is held in a buffer of 100 bytes, terminating zero included.
constexpr int kLongestExtension = 99;

} // namespace

QList<ExtensionGroup> extensionGroups()
{
    // Compared in the tool table's order, each entry exactly; upper-case spellings are entries of their own.
    static const QList<ExtensionGroup> groups = [] {
        QList<ExtensionGroup> list;
        for (const ToolDescription &row : toolTable()) {
            const QStringList extensions = toolExtensions(row.tool);
            if (!extensions.isEmpty())
                list.append({row.tool, extensions});
        }
        return list;
    }();
    return groups;
}

bool hasDot(const QString &path)
{
    return path.contains(QLatin1Char('.'));
}

QString extensionOf(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : path.mid(dot + 1);
}

std::optional<Tool> toolForExtension(const QString &extension)
{
    if (extension.size() > kLongestExtension)
        return std::nullopt;
    for (const ExtensionGroup &group : extensionGroups()) {
        if (group.extensions.contains(extension))
            return group.tool;
    }
    return std::nullopt;
}

} // namespace brivo
