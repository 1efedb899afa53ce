// What a file holds, told by its content rather than its name, and the tool that reads it.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>

#include <optional>

class QMimeType;

namespace brivo {

// A tool that reads a file, and what the file is in the shared MIME database's words ("PDF document").
struct ContentReader
{
    Tool tool;
    QString description;
};

// The tool whose MIME-type column claims `type`: the entry nearest to the type itself wins (text/html
// before the text/plain it inherits), a named type before a whole media type ("image/gif" before
// "image/"), and among equals the tool table's order. Nothing when no tool claims it.
BRIVO_CORE_EXPORT std::optional<Tool> toolForMimeType(const QMimeType &type);

// The tool that reads the file at `path`, told by its content alone (its magic bytes, or text that reads
// as text); the name is not looked at. Only a regular, readable file is opened: a folder, a FIFO or a
// device is never read. Nothing when no tool claims the content. Loads the MIME database on first use,
// so callers ask only once the extension has decided nothing.
BRIVO_CORE_EXPORT std::optional<ContentReader> readerOfContent(const QString &path);

// `description` with its indefinite article: "a PDF document", "an HTML document", "an Ogg audio".
BRIVO_CORE_EXPORT QString withArticle(const QString &description);

} // namespace brivo
