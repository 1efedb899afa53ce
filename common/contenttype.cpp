#include "common/contenttype.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include <limits>

namespace brivo {

std::optional<Tool> toolForMimeType(const QMimeType &type)
{
    if (!type.isValid())
        return std::nullopt;
    const QMimeDatabase database;
    // The type first, then what it inherits, nearest first.
    const QStringList lineage = QStringList{type.name()} + type.allAncestors();
    std::optional<Tool> best;
    int bestRank = std::numeric_limits<int>::max();
    for (const ToolDescription &row : toolTable()) {
        for (const QString &entry : toolMimeTypes(row.tool)) {
            int depth = -1;
            if (entry.endsWith(QLatin1Char('/'))) {
                for (int i = 0; i < lineage.size() && depth < 0; ++i)
                    depth = lineage[i].startsWith(entry) ? i : -1;
            } else {
                // The database's own name for the entry, which may be an alias.
                const QMimeType named = database.mimeTypeForName(entry);
                depth = named.isValid() ? int(lineage.indexOf(named.name())) : -1;
            }
            const int rank = depth * 2 + (entry.endsWith(QLatin1Char('/')) ? 1 : 0);
            if (depth >= 0 && rank < bestRank) {
                best = row.tool;
                bestRank = rank;
            }
        }
    }
    return best;
}

std::optional<ContentReader> readerOfContent(const QString &path)
{
    // A FIFO would block the reader and a device may never end; only a file is read.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return std::nullopt;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchContent);
    const std::optional<Tool> tool = toolForMimeType(type);
    if (!tool)
        return std::nullopt;
    return ContentReader{*tool, type.comment().isEmpty() ? type.name() : type.comment()};
}

QString withArticle(const QString &description)
{
    if (description.isEmpty())
        return description;
    const QString word = description.section(QLatin1Char(' '), 0, 0);
    // An abbreviation is read letter by letter: "an MP3", "an HTML", but "a PNG".
    const bool abbreviation = word.size() > 1 && word == word.toUpper() && word.at(0).isLetter();
    const QChar first = word.at(0).toUpper();
    const bool vowelSound = abbreviation ? QStringLiteral("AEFHILMNORSX").contains(first)
                                         : QStringLiteral("AEIOU").contains(first);
    return (vowelSound ? QStringLiteral("an ") : QStringLiteral("a ")) + description;
}

} // namespace brivo
