#include "zip/archivelisting.h"

#include "zip/archiveroutputreader.h"

namespace brivo::zip {

namespace {

qint64 sizeValue(QByteArrayView value)
{
    bool ok = false;
    const qint64 size = value.toLongLong(&ok);
    return ok ? size : -1;
}

// A unix mode as 7z shows it ("lrwxrwxrwx"), alone in "Mode" or last in "Attributes" ("A lrwxrwxrwx").
char fileTypeLetter(QByteArrayView modeOrAttributes)
{
    const QByteArrayView last = modeOrAttributes.sliced(modeOrAttributes.lastIndexOf(' ') + 1);
    if (last.size() != 10 || !QByteArrayView("-dlcbps").contains(last.at(0)))
        return 0;
    return last.at(0);
}

} // namespace

void ListingParser::addLine(QByteArrayView line)
{
    if (!m_inEntries) {
        // The archive's own properties come first; the entries start after a line of dashes.
        m_inEntries = line.startsWith("----------");
        return;
    }
    if (line.isEmpty()) {
        finishEntry();
        return;
    }
    QByteArrayView keyText;
    QByteArrayView value;
    const qsizetype equals = line.indexOf(" = ");
    if (equals >= 0) {
        keyText = line.first(equals);
        value = line.sliced(equals + 3);
    } else if (line.endsWith(" =")) {
        // An empty value, once trailing blanks are gone.
        keyText = line.chopped(2);
    } else {
        // A line break inside a value: the line goes on with the value above.
        if (m_inEntry && (m_lastKey == Key::Path || m_lastKey == Key::SymbolicLink)) {
            m_lastValue += '\n';
            m_lastValue += line;
            apply(m_lastKey, m_lastValue);
        }
        return;
    }
    static const QList<std::pair<QByteArrayView, Key>> keys = {{"Path", Key::Path},
                                                               {"Size", Key::Size},
                                                               {"Packed Size", Key::PackedSize},
                                                               {"Modified", Key::Modified},
                                                               {"Folder", Key::Folder},
                                                               {"Encrypted", Key::Encrypted},
                                                               {"Mode", Key::Mode},
                                                               {"Attributes", Key::Attributes},
                                                               {"Symbolic Link", Key::SymbolicLink}};
    m_lastKey = Key::Other;
    for (const auto &[text, key] : keys) {
        if (keyText == text) {
            m_lastKey = key;
            break;
        }
    }
    if (m_lastKey == Key::Path || m_lastKey == Key::SymbolicLink)
        m_lastValue = value.toByteArray();
    m_inEntry = true;
    apply(m_lastKey, value);
}

void ListingParser::apply(Key key, QByteArrayView value)
{
    switch (key) {
    case Key::Path:
        // 7z writes the bytes of a name that is not UTF-8 as they are: kept, and shown escaped.
        m_entry.path = rawName(value.toByteArray());
        break;
    case Key::Size:
        m_entry.size = sizeValue(value);
        break;
    case Key::PackedSize:
        m_entry.packedSize = sizeValue(value);
        break;
    case Key::Modified:
        // Seconds are enough to tell versions of a file apart; 7z adds up to seven more digits.
        m_entry.modified = QString::fromLatin1(value.first(qMin<qsizetype>(19, value.size())));
        break;
    case Key::Folder:
        m_entry.isFolder = m_entry.isFolder || value == "+";
        break;
    case Key::Encrypted:
        m_entry.encrypted = value == "+";
        break;
    case Key::Mode:
    case Key::Attributes: {
        const char type = fileTypeLetter(value);
        // Windows attribute letters come first ("D", "RD", "D drwxr-xr-x"); "D" marks a folder.
        const qsizetype blank = value.indexOf(' ');
        const QByteArrayView letters = blank < 0 ? value : value.first(blank);
        const bool windowsFolder =
            key == Key::Attributes && fileTypeLetter(letters) == 0 && letters.contains('D');
        m_entry.isFolder = m_entry.isFolder || type == 'd' || windowsFolder;
        m_entry.isSymLink = m_entry.isSymLink || type == 'l';
        break;
    }
    case Key::SymbolicLink:
        m_entry.linkTarget = rawName(value.toByteArray());
        m_entry.isSymLink = m_entry.isSymLink || !value.isEmpty();
        break;
    case Key::None:
    case Key::Other:
        break;
    }
}

void ListingParser::finishEntry()
{
    if (m_inEntry)
        m_entries.append(std::move(m_entry));
    m_entry = ArchiveEntry();
    m_inEntry = false;
    m_lastKey = Key::None;
}

void ListingParser::finish()
{
    finishEntry();
}

QList<ArchiveEntry> ListingParser::takeEntries()
{
    return std::exchange(m_entries, {});
}

QList<ArchiveEntry> parseListing(const QStringList &lines)
{
    ListingParser parser;
    for (const QString &line : lines)
        parser.addLine(line.toUtf8());
    parser.finish();
    return parser.takeEntries();
}

} // namespace brivo::zip
