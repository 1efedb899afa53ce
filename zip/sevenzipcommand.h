// The 7z command lines of the archive tool, built as argument lists: every path stays one argument
// whatever it holds, no name is ever read as a switch, and no password ever appears among them (7z reads
// it from its standard input, which other users of the machine cannot see).
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>

namespace brivo::zip {

// The archiver the tool runs when nothing better is found (see sevenziplocator.h).
inline constexpr char sevenZipProgram[] = "7z";

// Packs `entries` into `archive` as an archive of 7z's type `type` ("7z", "zip", "tar", "gzip", "xz"):
// "a", the archive, "-t" + type, "-y", a lone "-p" when a password follows on standard input, then the
// entries. The archive comes first as 7z expects; a relative archive name that would read as a switch
// or a list file is written as "./name". Items named `excluded` (a plain name) are left out at any depth.
// With `fullPaths` ("-spf") each entry is stored under its whole path, not under its name alone.
BRIVO_CORE_EXPORT QStringList packArguments(const QString &archive, const QString &type,
                                            const QStringList &entries, bool withPassword,
                                            const QString &excluded = {}, bool fullPaths = false);

// Renames entries of `archive` ("rn"): each pair is a path stored in it and the path it gets. An entry
// that is a folder brings what it holds. 7z says nothing of a name it does not find.
BRIVO_CORE_EXPORT QStringList renameArguments(const QString &archive,
                                              const QList<std::pair<QString, QString>> &renames,
                                              bool withPassword);

// Extracts `archive` into `folder`: "x", "-y", "-o" + folder, then the archive and, when some are given,
// the entries to extract (all of them when none are). 7z asks for a password on standard input only when
// the archive needs one.
BRIVO_CORE_EXPORT QStringList extractArguments(const QString &archive, const QString &folder,
                                               const QStringList &entries = {});

// Tests every entry of `archive` ("t").
BRIVO_CORE_EXPORT QStringList testArguments(const QString &archive);

// Lists `archive` in the detailed, one-property-a-line form ("l -slt").
BRIVO_CORE_EXPORT QStringList listArguments(const QString &archive);

// What goes to 7z's standard input: the password and a line break, or nothing (7z then reads the end of
// its input if it asks, and gives up instead of waiting).
BRIVO_CORE_EXPORT QByteArray passwordInput(const QString &password);

// The folder an archive is extracted into: the absolute folder that holds it, as folderArgument() writes it.
BRIVO_CORE_EXPORT QString extractionFolder(const QString &archivePath);

// An absolute folder as the extraction gives it to 7z: a drive root ("C:/") loses its slash ("C:"); every
// other folder stays as it is.
BRIVO_CORE_EXPORT QString folderArgument(const QString &absoluteFolder);

// How an archive of a given name is made. A compressed tar is made in two steps: the tar (named
// `tarName`), then that tar compressed on its own into the archive.
struct PackFormat
{
    QString archive; // the name to write: the given one, with ".7z" added when its suffix is not known
    QString type;    // 7z's "-t" type of the archive itself
    QString tarName; // the intermediate tar's file name for a compressed tar; empty otherwise
    bool canHoldPassword = false;

    bool twoSteps() const { return !tarName.isEmpty(); }
};

// The format a typed name asks for, by its suffix (ignoring case): .7z, .zip, .tar, .tar.gz, .tgz, .tar.xz.
// A name with any other suffix, or none, gets ".7z" added.
BRIVO_CORE_EXPORT PackFormat packFormat(const QString &typedName);

} // namespace brivo::zip
