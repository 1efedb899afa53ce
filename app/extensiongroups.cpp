#include "app/extensiongroups.h"

#include <vector>

namespace brivo {

namespace {

struct Group
{
    Tool tool;
    std::vector<const char *> entries;
};

// Compared in this order, each entry exactly; upper-case spellings are entries of their own.
const std::vector<Group> &groups()
{
    static const std::vector<Group> table = {
        {Tool::CodeEditor, {"cpp", "c", "go", "python", "perl", "asm", "h", "hpp", "bat", "java", "JAVA"}},
        {Tool::Notepad, {"txt"}},
        {Tool::WebBrowser, {"html"}},
        {Tool::PdfViewer, {"pdf"}},
        {Tool::MediaPlayer,
         {"mp3", "avi", "wmv", "3gp", "mpeg", "mp4", "MP3", "AVI", "WMV", "3GP", "MPEG", "MP4"}},
        {Tool::ImageViewer, {"jpg", "jpeg", "png", "JPG", "bmp",  "ico",  "pbm", "JPEG", "PNG", "pgm",
                             "BMP", "ICO",  "PGM", "PBM", "tiff", "TIFF", "xbm", "XBM",  "xpm", "XPM"}},
        {Tool::Archive, {"7z", "rar", "zip", "tar", "gz"}},
        {Tool::GifViewer, {"gif", "GIF"}},
    };
    return table;
}

// The extension is held in a buffer of 100 bytes, terminating zero included.
constexpr int kLongestExtension = 99;

} // namespace

QList<ExtensionGroup> extensionGroups()
{
    QList<ExtensionGroup> list;
    for (const Group &group : groups()) {
        QStringList extensions;
        for (const char *entry : group.entries)
            extensions.append(QLatin1String(entry));
        list.append({group.tool, extensions});
    }
    return list;
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
    for (const Group &group : groups()) {
        for (const char *entry : group.entries) {
            if (extension == QLatin1String(entry))
                return group.tool;
        }
    }
    return std::nullopt;
}

} // namespace brivo
