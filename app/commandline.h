// The program's command line: one optional file, given as a path or a file: URL, and the two questions
// every program answers (--help and --version).
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace brivo {

// The text that `argument` (the first command-line argument) asks to be printed instead of opening a
// window: the usage for "--help" or "-h", the version for "--version" or "-v". Nothing when the argument
// is anything else, and nothing when a file or folder of that name exists in the current folder: such a
// file opens like any other.
BRIVO_CORE_EXPORT std::optional<QString> commandLineAnswer(const QString &argument);

// What "--tool NAME" at the head of the arguments (the program's name first) chooses: the tool, and
// where the file argument is. A wrong or missing name gives an error message that lists the names.
// Without the option (or when a file named "--tool" exists in the current folder), no tool and the
// file argument at 1.
struct ToolArgument
{
    std::optional<Tool> tool;
    int fileIndex = 1;
    QString error;
};
BRIVO_CORE_EXPORT ToolArgument toolOfArguments(const QStringList &arguments);

// The tool's name for --tool, as the usage lists it: its tile's text in lower case, words joined by
// "-" ("media-player").
BRIVO_CORE_EXPORT QString commandName(Tool tool);

// The usage, with the tools and the extensions that open them as the dispatcher knows them.
BRIVO_CORE_EXPORT QString usageText();
QString versionText();

// What the first command-line argument names: the argument itself (a relative path made absolute against
// the current folder), or the local file a file: URL names (percent-encoding decoded). A URL that names no
// local file gives an error message instead.
struct ArgumentFile
{
    QString path;
    QString error;
};
BRIVO_CORE_EXPORT ArgumentFile fileOfArgument(const QString &argument);

// Writes `text` to `stream` in the system's encoding; false when not all of it could be written (a full
// disk, a closed pipe), so that the program does not report success for output that was lost.
BRIVO_CORE_EXPORT bool printText(const QString &text, std::FILE *stream);

} // namespace brivo
