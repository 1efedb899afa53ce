#include "zip/sevenzipcommand.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace brivo::zip {

namespace {

// Switches every run shares. "-spd" turns off 7z's wildcard matching, so a file named "*.txt" or an
// archive named "q?.7z" means that one file and nothing else; "-bsp1" writes progress to standard output,
// where the window reads it.
const QStringList sharedSwitches = {QStringLiteral("-spd"), QStringLiteral("-bsp1")};

// Everything after "--" is a file name to 7z, even "-x" or "@list".
const QString endOfSwitches = QStringLiteral("--");

QString passwordSwitch(const QString &password)
{
    return QStringLiteral("-p") + password;
}

} // namespace

QStringList packArguments(const QString &archive, const QString &password, const QStringList &entries)
{
    // The archive stands before "--" here, so a name that 7z would take for a switch is made plainly a
    // path. Names from the save dialog are absolute and never need it.
    QString archiveArgument = archive;
    if (archive.startsWith(QLatin1Char('-')) || archive.startsWith(QLatin1Char('@')))
        archiveArgument = QStringLiteral("./") + archive;

    QStringList arguments = {QStringLiteral("a"), archiveArgument, QStringLiteral("-y")};
    if (!password.isEmpty())
        arguments << passwordSwitch(password);
    arguments << sharedSwitches << endOfSwitches << entries;
    return arguments;
}

QStringList extractArguments(const QString &archive, const QString &password, const QString &folder)
{
    QStringList arguments = {QStringLiteral("x"), QStringLiteral("-y"), passwordSwitch(password),
                             QStringLiteral("-o") + folder};
    arguments << sharedSwitches << endOfSwitches << archive;
    return arguments;
}

QStringList listArguments(const QString &archive, const QString &password)
{
    return {QStringLiteral("l"),    QStringLiteral("-slt"), passwordSwitch(password),
            QStringLiteral("-spd"), endOfSwitches,          archive};
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

} // namespace brivo::zip
