// The tools of the program, each described once: the dispatcher, the launcher, the window titles, the
// command line's help and the build all read this one table.
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace brivo {

// The tools a file or a launcher tile can open, in the order of the table's rows.
enum class Tool
{
    CodeEditor,
    Notepad,
    WebBrowser,
    PdfViewer,
    MediaPlayer,
    ImageViewer,
    Archive,
    GifViewer,
    Snapshot,
};

// How a tool window is opened beyond its file.
struct OpenOptions
{
    // The media player's small audio-only layout.
    bool audioOnly = false;
    // The browser's path is a web address (http or https) to show, not a file.
    bool webAddress = false;
};

// A tool's tile on the home launcher.
struct LauncherTile
{
    // The tile's text; a line break splits it over two lines.
    const char *text;
    // The tile's picture, a resource path.
    const char *picture;
    // Position and size in the launcher window, which no layout manages.
    QRect place;
    // Where the tile comes in the launcher's order of creation (which is also the keyboard's tab order),
    // counted from 1 together with the launcher's own tiles.
    int order;
};

struct ToolDescription
{
    Tool tool;
    // The source folder that holds the tool; the build adds the folders named here.
    const char *folder;
    // The title of the tool's window.
    const char *title;
    // The extension group: the extensions that open the tool, separated by blanks, in the order they are
    // compared. Each is compared exactly, case included. Empty for a tool opened only from its tile.
    const char *extensions;
    // The MIME types of what the tool reads, told by a file's content when its extension decides nothing,
    // separated by blanks. A type stands for itself and the types that inherit it (text/plain for every
    // text); an entry ending in "/" stands for a whole media type ("image/"). Empty for a tool that opens
    // no files.
    const char *mimeTypes;
    LauncherTile tile;
    // The library the tool lives in, loaded the first time one of its windows opens; nullptr for a tool
    // linked into the program, whose folder names its opener with BRIVO_TOOL_OPENER.
    const char *module;
    // The tool's engine needs the application's shared OpenGL context before its library loads.
    bool needsSharedGlContext;
};

// Every tool, in the order the dispatcher compares their extension groups. Row i describes Tool(i).
BRIVO_CORE_EXPORT const QList<ToolDescription> &toolTable();

// The row of `tool`.
BRIVO_CORE_EXPORT const ToolDescription &describe(Tool tool);

// The tool's name as the launcher's tile shows it on one line ("Media Player").
BRIVO_CORE_EXPORT QString toolName(Tool tool);

// The title of the tool's window.
BRIVO_CORE_EXPORT QString toolTitle(Tool tool);

// The entries of the tool's extension group, in the order they are compared.
BRIVO_CORE_EXPORT QStringList toolExtensions(Tool tool);

// The entries of the tool's MIME-type column.
BRIVO_CORE_EXPORT QStringList toolMimeTypes(Tool tool);

// True for the media extensions that hold sound alone and open the player's small audio-only layout:
// "mp3" as it always did, and the later audio formats in either case.
BRIVO_CORE_EXPORT bool isAudioOnlyExtension(const QString &extension);

// Creates a window of a tool linked into the program, with no parent, and hands it `path` the way the
// tool takes a file (an empty path means no file). The caller shows it. A module's entry point has the
// same form.
using ToolOpener = QWidget *(*)(const QString &path, const OpenOptions &options);

// The opener a linked tool's folder named, or nullptr.
BRIVO_CORE_EXPORT ToolOpener toolOpener(Tool tool);

// Called by BRIVO_TOOL_OPENER as the program loads; returns true so that it can initialise a constant.
bool registerToolOpener(Tool tool, ToolOpener opener);

} // namespace brivo

// Names the opener of a tool that is linked into the program; written once, in the tool's own folder.
#define BRIVO_TOOL_OPENER(tool, opener)                                                                      \
    namespace {                                                                                              \
    [[maybe_unused]] const bool brivoToolOpenerRegistered = brivo::registerToolOpener(tool, opener);         \
    }

// Defines the entry point of a tool that lives in a module: the program resolves the function
// "brivo_module_open_window" once it has loaded the library. `opener` has the ToolOpener form.
#define BRIVO_DEFINE_MODULE_ENTRY(opener)                                                                    \
    extern "C" Q_DECL_EXPORT QWidget *brivo_module_open_window(const QString &path,                          \
                                                               const brivo::OpenOptions &options)            \
    {                                                                                                        \
        return opener(path, options);                                                                        \
    }
