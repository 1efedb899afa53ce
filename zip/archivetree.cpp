#include "zip/archivetree.h"

#include <QHash>

#include <algorithm>

namespace brivo::zip {

namespace {

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
#else
    return c == QLatin1Char('/');
#endif
}

// The parts of `path` that name folders and the entry itself, each with where it ends in the path.
QList<std::pair<QStringView, qsizetype>> partsOf(const QString &path)
{
    QList<std::pair<QStringView, qsizetype>> parts;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= path.size(); ++at) {
        if (at < path.size() && !isSeparator(path.at(at)))
            continue;
        const QStringView part = QStringView(path).sliced(start, at - start);
        if (!part.isEmpty() && part != u".")
            parts.append({part, at});
        start = at + 1;
    }
    return parts;
}

} // namespace

ArchiveTree buildArchiveTree(const QList<ArchiveEntry> &entries)
{
    ArchiveTree tree;
    tree.nodes.reserve(entries.size());
    // The names point into the entries' paths, which outlive the building.
    QHash<std::pair<int, QStringView>, int> byName;
    byName.reserve(entries.size());
    const auto nodeFor = [&](int parent, QStringView name, const QString &path, qsizetype end) {
        const auto found = byName.constFind({parent, name});
        if (found != byName.cend())
            return *found;
        const int id = int(tree.nodes.size());
        ArchiveNode node;
        node.name = name.toString();
        // An entry's own node shares its path; a folder implied by it takes the part before its name.
        node.path = end == path.size() ? path : path.left(end);
        node.parent = parent;
        tree.nodes.append(std::move(node));
        byName.insert({parent, name}, id);
        (parent < 0 ? tree.top : tree.nodes[parent].children).append(id);
        return id;
    };

    for (int i = 0; i < entries.size(); ++i) {
        const ArchiveEntry &entry = entries.at(i);
        auto parts = partsOf(entry.path);
        // A path of no name at all ("/", "./") still shows, as it is.
        if (parts.isEmpty())
            parts.append({QStringView(entry.path), entry.path.size()});
        int parent = -1;
        for (qsizetype p = 0; p + 1 < parts.size(); ++p) {
            parent = nodeFor(parent, parts.at(p).first, entry.path, parts.at(p).second);
            tree.nodes[parent].isFolder = true;
        }
        const int id = nodeFor(parent, parts.last().first, entry.path, parts.last().second);
        ArchiveNode &node = tree.nodes[id];
        node.entry = i;
        node.path = entry.path;
        node.isFolder = node.isFolder || entry.isFolder;
    }

    // Sizes add up towards the top: a folder shows what it holds.
    for (const ArchiveNode &node : std::as_const(tree.nodes)) {
        if (node.entry < 0 || !node.children.isEmpty())
            continue;
        const qint64 size = qMax<qint64>(entries.at(node.entry).size, 0);
        for (int at = node.parent; at >= 0 && size > 0; at = tree.nodes.at(at).parent)
            tree.nodes[at].size += size;
    }
    for (ArchiveNode &node : tree.nodes)
        if (node.entry >= 0 && !node.isFolder)
            node.size = qMax<qint64>(entries.at(node.entry).size, 0);

    const auto order = [&tree](int a, int b) {
        const ArchiveNode &x = tree.nodes.at(a);
        const ArchiveNode &y = tree.nodes.at(b);
        if (x.isFolder != y.isFolder)
            return x.isFolder;
        const int byCase = x.name.compare(y.name, Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : x.name < y.name;
    };
    const auto arrange = [&](QList<int> &children) {
        // 7z lists most archives in this order already; checking costs a tenth of sorting.
        if (!std::is_sorted(children.begin(), children.end(), order))
            std::sort(children.begin(), children.end(), order);
        for (int row = 0; row < children.size(); ++row)
            tree.nodes[children.at(row)].row = row;
    };
    arrange(tree.top);
    for (qsizetype id = 0; id < tree.nodes.size(); ++id)
        arrange(tree.nodes[id].children);
    return tree;
}

} // namespace brivo::zip
