#include "zip/sevenzipcommand.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace brivo::zip {

namespace {

// Switches every run shares. "-spd" turns off 7z's wildcard matching, so a file named "*.txt" or an
// archive named "q?.7z" means that one file and nothing else. "-bsp2" sends the progress reports, which
// 7z draws and rubs out with backspaces, to standard error on their own, and "-bse1" sends the error
// messages to standard output, in order with the rest: every line that can hold a name is then read as
// it stands, control characters included. "-sccUTF-8" makes 7z write names in UTF-8 on every system.
const QStringList sharedSwitches = {QStringLiteral("-spd"), QStringLiteral("-bsp2"), QStringLiteral("-bse1"),
                                    QStringLiteral("-sccUTF-8")};

// Everything after "--" is a file name to 7z, even "-x" or "@list".
const QString endOfSwitches = QStringLiteral("--");

} // namespace

QStringList packArguments(const QString &archive, const QString &type, const QStringList &entries,
                          bool withPassword, const QString &excluded, bool fullPaths)
{
    // The archive stands before "--" here, so a name that 7z would take for a switch is made plainly a
    // path. Names from the save dialog are absolute and never need it.
    QString archiveArgument = archive;
    if (archive.startsWith(QLatin1Char('-')) || archive.startsWith(QLatin1Char('@')))
        archiveArgument = QStringLiteral("./") + archive;

    QStringList arguments = {QStringLiteral("a"), archiveArgument, QStringLiteral("-t") + type,
                             QStringLiteral("-y")};
    // A lone "-p" makes 7z read the password from its input when it packs.
    if (withPassword)
        arguments << QStringLiteral("-p");
    if (!excluded.isEmpty())
        arguments << QStringLiteral("-xr!") + excluded;
    if (fullPaths)
        arguments << QStringLiteral("-spf");
    arguments << sharedSwitches << endOfSwitches << entries;
    return arguments;
}

QStringList renameArguments(const QString &archive, const QList<std::pair<QString, QString>> &renames,
                            bool withPassword)
{
    QStringList arguments = {QStringLiteral("rn")};
    if (withPassword)
        arguments << QStringLiteral("-p");
    arguments << sharedSwitches << endOfSwitches << archive;
    for (const auto &[from, to] : renames)
        arguments << from << to;
    return arguments;
}

QStringList extractArguments(const QString &archive, const QString &folder, const QStringList &entries)
{
    QStringList arguments = {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-o") + folder};
    arguments << sharedSwitches << endOfSwitches << archive << entries;
    return arguments;
}

QStringList testArguments(const QString &archive)
{
    QStringList arguments = {QStringLiteral("t")};
    arguments << sharedSwitches << endOfSwitches << archive;
    return arguments;
}

QStringList listArguments(const QString &archive)
{
    QStringList arguments = {QStringLiteral("l"), QStringLiteral("-slt")};
    arguments << sharedSwitches << endOfSwitches << archive;
    return arguments;
}

QByteArray passwordInput(const QString &password)
{
    if (password.isEmpty())
        return {};
    return password.toUtf8() + '\n';
}

QString extractionFolder(const QString &archivePath)
{
    return folderArgument(QFileInfo(archivePath).absoluteDir().absolutePath());
}

QString folderArgument(const QString &absoluteFolder)
{
    // Only a drive root loses its slash; a three-letter folder such as "/tmp" keeps it.
    static const QRegularExpression driveRoot(QStringLiteral("^[A-Za-z]:/$"));
    if (!driveRoot.match(absoluteFolder).hasMatch())
        return absoluteFolder;
    QString folder = absoluteFolder;
    folder.remove(QLatin1Char('/'));
    return folder;
}

PackFormat packFormat(const QString &typedName)
{
    struct Known
    {
        const char *suffix;
        const char *type;
        bool compressedTar;
        bool password;
    };
    // Longer suffixes first, so that ".tar.gz" is not read as ".gz".
    static const Known known[] = {{".tar.gz", "gzip", true, false}, {".tar.xz", "xz", true, false},
                                  {".tgz", "gzip", true, false},    {".7z", "7z", false, true},
                                  {".zip", "zip", false, true},     {".tar", "tar", false, false}};
    const QString fileName = QFileInfo(typedName).fileName();
    for (const Known &k : known) {
        const QString suffix = QLatin1String(k.suffix);
        // A bare ".7z" is a hidden file's name, not a suffix.
        if (!fileName.endsWith(suffix, Qt::CaseInsensitive) || fileName.size() == suffix.size())
            continue;
        PackFormat format{typedName, QLatin1String(k.type), {}, k.password};
        if (k.compressedTar) {
            const QString stem = fileName.chopped(suffix.size());
            format.tarName = stem + QStringLiteral(".tar");
        }
        return format;
    }
    return {typedName + QStringLiteral(".7z"), QStringLiteral("7z"), {}, true};
}

} // namespace brivo::zip
