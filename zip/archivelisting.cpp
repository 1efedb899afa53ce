#include "zip/archivelisting.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace brivo::zip {

namespace {

// Paths inside an archive, taken apart the way an extractor on either system could read them.
struct EntryPath
{
    QStringList parts;     // without empty and "." parts
    bool absolute = false; // "/x", "\x" or "C:..."
    bool climbs = false;   // has a ".." part

    bool isSafe() const { return !absolute && !climbs; }
};

EntryPath splitEntryPath(const QString &path)
{
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    EntryPath split;
    split.absolute = path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
                     drive.match(path).hasMatch();
    const QStringList parts = path.split(separators, Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            split.climbs = true;
        split.parts.append(part);
    }
    return split;
}

// The key under which a path inside the folder is compared: names differ only by case on a file
// system that ignores case.
QString pathKey(const QStringList &parts, qsizetype count)
{
    const QString joined = parts.mid(0, count).join(QLatin1Char('/'));
#ifdef Q_OS_WIN
    return joined.toLower();
#else
    return joined;
#endif
}

bool isInside(const QString &path, const QString &root)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    if (path.compare(root, cs) == 0)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix, cs);
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A unix mode as 7z shows it ("lrwxrwxrwx"), alone in "Mode" or last in "Attributes" ("A lrwxrwxrwx").
QChar fileTypeLetter(const QString &modeOrAttributes)
{
    const QString last = modeOrAttributes.section(QLatin1Char(' '), -1);
    static const QRegularExpression unixMode(QStringLiteral("^[-dlcbps][-rwxsStT]{9}$"));
    return unixMode.match(last).hasMatch() ? last.at(0) : QChar();
}

void applyProperty(ArchiveEntry &entry, const QString &key, const QString &value)
{
    if (key == QLatin1String("Path")) {
        entry.path = value;
    } else if (key == QLatin1String("Folder")) {
        entry.isFolder = entry.isFolder || value == QLatin1String("+");
    } else if (key == QLatin1String("Mode") || key == QLatin1String("Attributes")) {
        const QChar type = fileTypeLetter(value);
        entry.isFolder = entry.isFolder || type == QLatin1Char('d');
        entry.isSymLink = entry.isSymLink || type == QLatin1Char('l');
    } else if (key == QLatin1String("Symbolic Link")) {
        entry.linkTarget = value;
        entry.isSymLink = entry.isSymLink || !value.isEmpty();
    } else if (key == QLatin1String("Hard Link")) {
        entry.hardLinkTarget = value;
    }
}

} // namespace

QList<ArchiveEntry> parseListing(const QStringList &lines)
{
    QList<ArchiveEntry> entries;
    bool inEntries = false;
    bool inEntry = false;
    ArchiveEntry entry;
    QString lastKey;
    QString lastValue;

    const auto finishEntry = [&] {
        if (inEntry)
            entries.append(entry);
        entry = ArchiveEntry();
        inEntry = false;
        lastKey.clear();
    };

    for (const QString &line : lines) {
        if (!inEntries) {
            // The archive's own properties come first; the entries start after a line of dashes.
            inEntries = line.startsWith(QLatin1String("----------"));
            continue;
        }
        if (line.isEmpty()) {
            finishEntry();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1String(" = "));
        if (equals >= 0) {
            lastKey = line.left(equals);
            lastValue = line.mid(equals + 3);
        } else if (line.endsWith(QLatin1String(" ="))) {
            // An empty value, once trailing blanks are gone.
            lastKey = line.chopped(2);
            lastValue.clear();
        } else {
            if (inEntry && !lastKey.isEmpty()) {
                lastValue += QLatin1Char('\n') + line;
                applyProperty(entry, lastKey, lastValue);
            }
            continue;
        }
        inEntry = true;
        applyProperty(entry, lastKey, lastValue);
    }
    finishEntry();
    return entries;
}

QStringList extractionProblems(const QList<ArchiveEntry> &entries, const QString &folder)
{
    QStringList problems;
    QList<EntryPath> paths;
    paths.reserve(entries.size());
    QSet<QString> links;

    for (const ArchiveEntry &entry : entries) {
        const EntryPath split = splitEntryPath(entry.path);
        paths.append(split);
        if (split.absolute)
            problems << quoted(entry.path) + QStringLiteral(" has an absolute path");
        else if (split.climbs)
            problems << quoted(entry.path) + QStringLiteral(" climbs out of the folder with \"..\"");
        else if (entry.isSymLink)
            links.insert(pathKey(split.parts, split.parts.size()));

        if (!entry.hardLinkTarget.isEmpty() && !splitEntryPath(entry.hardLinkTarget).isSafe()) {
            problems << QStringLiteral("the hard link ") + quoted(entry.path) +
                            QStringLiteral(" points to ") + quoted(entry.hardLinkTarget) +
                            QStringLiteral(" outside the folder");
        }
    }

    // Folders that 7z would create or go through on the way to each entry.
    // Each folder once, with the first entry that needs it, to name in a problem.
    QStringList folders;
    QStringList firstEntries;
    QSet<QString> seenFolders;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const EntryPath &split = paths.at(i);
        if (!split.isSafe())
            continue;
        const qsizetype depth = entries.at(i).isFolder ? split.parts.size() : split.parts.size() - 1;
        for (qsizetype n = 1; n <= depth; ++n) {
            const QString key = pathKey(split.parts, n);
            if (n < split.parts.size() && links.contains(key)) {
                problems << quoted(entries.at(i).path) + QStringLiteral(" lies below the link ") +
                                quoted(split.parts.mid(0, n).join(QLatin1Char('/'))) +
                                QStringLiteral(" of the same archive");
                break;
            }
            if (!seenFolders.contains(key)) {
                seenFolders.insert(key);
                folders.append(split.parts.mid(0, n).join(QLatin1Char('/')));
                firstEntries.append(entries.at(i).path);
            }
        }
    }

    // A folder that already exists must really be inside: a link left there (by the user or by an earlier
    // archive) would take everything written below it elsewhere.
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return problems;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString &relative = folders.at(i);
        const QFileInfo info(root + QLatin1Char('/') + relative);
        if (!info.exists() && !info.isSymLink())
            continue;
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || !isInside(real, root)) {
            problems << quoted(firstEntries.at(i)) + QStringLiteral(" would go through ") + quoted(relative) +
                            QStringLiteral(", which is already in the folder and leads to ") +
                            (real.isEmpty() ? QStringLiteral("a missing place") : quoted(real));
        }
    }
    return problems;
}

} // namespace brivo::zip
