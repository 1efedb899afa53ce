#include "common/tooltable.h"

#include <QHash>

namespace brivo {

// One row per tool. The rows' order is the order in which the dispatcher compares the extension groups;
// the launcher's tiles keep an order of their own. The build reads the folder column (the text in quotes
// right after the tool's name), so keep each row's folder there.
const QList<ToolDescription> &toolTable()
{
    // clang-format off
    static const QList<ToolDescription> table = {
        // {tool, folder, window title,
        //  extension group,
        //  MIME types,
        //  launcher tile {text, picture, place, order}, module, needs the shared OpenGL context}
        {Tool::CodeEditor, "ide", "Brivo : IDE - K.VARDEN",
         "cpp c go python perl asm h hpp bat java JAVA "
         "py sh bash js ts rb lua pl pm rs kt swift cs php sql pyw zsh mjs cc cxx hh hxx lisp cl scm cmd",
         "text/x-csrc text/x-c++src text/x-chdr text/x-c++hdr text/x-go text/x-python text/x-python3 "
         "text/x-perl application/x-perl text/x-java",
         {"IDE", ":/images/ide.png", {210, 10, 180, 120}, 2}, nullptr, false},
        {Tool::Notepad, "txtedit", "Brivo : TextEdit - K.VARDEN",
         "txt md log csv tsv ini conf cfg json xml yaml yml toml srt",
         "text/plain",
         {"Notepad", ":/images/txt.png", {10, 10, 180, 120}, 1}, nullptr, false},
        {Tool::WebBrowser, "web", "Brivo : Web Browser - K.VARDEN",
         "html",
         "text/html application/xhtml+xml",
         {"Web", ":/images/web.png", {410, 150, 180, 120}, 6}, "brivo_web", true},
        {Tool::PdfViewer, "viewers", "Brivo : Pdf Viewer - K.VARDEN",
         "pdf",
         "application/pdf",
         {"PDF", ":/images/pdf.png", {210, 150, 180, 120}, 4}, "brivo_pdf", false},
        {Tool::MediaPlayer, "av", "Brivo - K.VARDEN",
         "mp3 avi wmv 3gp mpeg mp4 MP3 AVI WMV 3GP MPEG MP4 "
         "ogg oga opus flac wav m4a mkv webm mov OGG OGA OPUS FLAC WAV M4A MKV WEBM MOV",
         "audio/ video/ application/ogg",
         {"Media\nPlayer", ":/images/av.png", {10, 150, 180, 120}, 3}, "brivo_av", false},
        {Tool::ImageViewer, "viewers", "Brivo : Image Viewer - K.VARDEN",
         "jpg jpeg png JPG bmp ico pbm JPEG PNG pgm BMP ICO PGM PBM tiff TIFF xbm XBM xpm XPM "
         "webp WEBP svg SVG tga TGA",
         "image/",
         {"Image\nViewer", ":/images/image.png", {410, 10, 180, 120}, 5}, nullptr, false},
        // The archive tool's title ends in a blank.
        {Tool::Archive, "zip", "Brivo : Zip - K.VARDEN ",
         "7z rar zip tar gz",
         "application/zip application/x-7z-compressed application/vnd.rar application/x-tar "
         "application/gzip application/x-compressed-tar application/x-bzip application/x-xz",
         {"Zip", ":/images/zip.png", {410, 290, 180, 120}, 9}, nullptr, false},
        {Tool::GifViewer, "viewers", "Brivo : Gif Viewer - K.VARDEN",
         "gif GIF",
         "image/gif",
         {"Gif View", ":/images/gif.png", {10, 290, 180, 120}, 11}, nullptr, false},
        {Tool::Snapshot, "desktop", "Brivo : Snap Shot - K.VARDEN",
         "",
         "",
         {"Snap\nShot", ":/images/desktop.png", {210, 290, 180, 120}, 10}, nullptr, false},
    };
    // clang-format on
    return table;
}

const ToolDescription &describe(Tool tool)
{
    return toolTable()[int(tool)];
}

QString toolName(Tool tool)
{
    return QString::fromLatin1(describe(tool).tile.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString toolTitle(Tool tool)
{
    return QString::fromLatin1(describe(tool).title);
}

QStringList toolExtensions(Tool tool)
{
    return QString::fromLatin1(describe(tool).extensions).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList toolMimeTypes(Tool tool)
{
    return QString::fromLatin1(describe(tool).mimeTypes).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool isAudioOnlyExtension(const QString &extension)
{
    static const QStringList later = {QStringLiteral("ogg"),  QStringLiteral("oga"), QStringLiteral("opus"),
                                      QStringLiteral("flac"), QStringLiteral("wav"), QStringLiteral("m4a")};
    return extension == QLatin1String("mp3") || later.contains(extension, Qt::CaseInsensitive);
}

namespace {

// Filled as the program loads, before main() runs.
QHash<int, ToolOpener> &registeredOpeners()
{
    static QHash<int, ToolOpener> openers;
    return openers;
}

} // namespace

ToolOpener toolOpener(Tool tool)
{
    return registeredOpeners().value(int(tool));
}

bool registerToolOpener(Tool tool, ToolOpener opener)
{
    registeredOpeners().insert(int(tool), opener);
    return true;
}

} // namespace brivo
