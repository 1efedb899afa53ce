// The 7z command lines of the archive tool, built as argument lists: every path stays one argument
// whatever it holds, and no name is ever read as a switch.
#pragma once

#include <QString>
#include <QStringList>

namespace brivo::zip {

// The archiver the tool runs, found on the search path.
inline constexpr char sevenZipProgram[] = "7z";

// Packs `entries` into `archive`: "a", the archive, "-y", "-p" + password when one is given, then the
// entries. The archive comes first as 7z expects; a relative archive name that would read as a switch
// or a list file is written as "./name".
QStringList packArguments(const QString &archive, const QString &password, const QStringList &entries);

// Extracts `archive` into `folder`: "x", "-y", "-p" + password (a lone "-p" without one, so that 7z never
// stops to ask), "-o" + folder, then the archive.
QStringList extractArguments(const QString &archive, const QString &password, const QString &folder);

// Lists `archive` in the detailed, one-property-a-line form that the extraction check reads.
QStringList listArguments(const QString &archive, const QString &password);

// The folder an archive is extracted into: the absolute folder that holds it, as folderArgument() writes it.
QString extractionFolder(const QString &archivePath);

// An absolute folder as the extraction gives it to 7z: a drive root ("C:/") loses its slash ("C:"); every
// other folder stays as it is.
QString folderArgument(const QString &absoluteFolder);

} // namespace brivo::zip
