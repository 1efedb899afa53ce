#include "zip/archiververdict.h"

#include <QRegularExpression>

namespace brivo::zip {

namespace {

bool anyContains(const QStringList &lines, const QRegularExpression &pattern)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString &line) { return pattern.match(line).hasMatch(); });
}

QRegularExpression words(const char *pattern)
{
    return QRegularExpression(QLatin1String(pattern), QRegularExpression::CaseInsensitiveOption);
}

} // namespace

Verdict verdictOf(const QStringList &lines, int exitCode, bool passwordGiven)
{
    static const QRegularExpression asked = words("Enter password");
    static const QRegularExpression wrongPassword = words("Wrong password");
    static const QRegularExpression missing =
        words("No such file or directory|cannot find the (file|path) specified|errno=2\\b");
    static const QRegularExpression truncated = words("Unexpected end of (archive|data)");
    static const QRegularExpression notArchive =
        words("Is not archive|Can ?not open (the )?file as (\\[\\w+\\] )?archive");
    static const QRegularExpression damaged = words("CRC Failed|Data Error|Headers Error|Unsupported Method");
    static const QRegularExpression nothing = words("^No files to process");
    // As 7z, Qt and the system word them (errno 28 and 30; Windows says "not enough space on the disk").
    static const QRegularExpression noSpace =
        words("No space left on device|errno=28\\b|not enough space on the disk|disk is full");
    static const QRegularExpression readOnly = words("Read-only file system|errno=30\\b|write-protected");

    // Checked in this order: a truncated archive also fails its checksums, a missing one is also "not an
    // archive", and a wrong password shows as a data error.
    if (!passwordGiven && exitCode != 0 && anyContains(lines, asked))
        return Verdict::NeedsPassword;
    if (exitCode != 0 && anyContains(lines, wrongPassword))
        return Verdict::WrongPassword;
    if (exitCode != 0 && anyContains(lines, noSpace))
        return Verdict::NoSpace;
    if (exitCode != 0 && anyContains(lines, readOnly))
        return Verdict::ReadOnly;
    if (exitCode != 0 && anyContains(lines, missing))
        return Verdict::Missing;
    if (exitCode != 0 && anyContains(lines, truncated))
        return Verdict::Truncated;
    if (exitCode != 0 && anyContains(lines, notArchive))
        return Verdict::NotArchive;
    if (exitCode != 0 && anyContains(lines, damaged))
        return Verdict::Damaged;
    if (anyContains(lines, nothing))
        return Verdict::NothingSelected;
    if (exitCode == 0)
        return Verdict::Ok;
    return exitCode == 1 ? Verdict::Warnings : Verdict::Failed;
}

QString verdictText(Verdict verdict, const QString &archive, const QString &done, int exitCode)
{
    switch (verdict) {
    case Verdict::Ok:
        return done;
    case Verdict::NeedsPassword:
        return QStringLiteral("%1 is encrypted: tick \"Password\" and type its password.").arg(archive);
    case Verdict::WrongPassword:
        return QStringLiteral("Wrong password for %1.").arg(archive);
    case Verdict::Missing:
        return QStringLiteral("%1 was not found.").arg(archive);
    case Verdict::Truncated:
        return QStringLiteral("%1 is incomplete: the archive ends too early (cut short, or still being "
                              "copied).")
            .arg(archive);
    case Verdict::NotArchive:
        return QStringLiteral("%1 is not an archive that 7z can read.").arg(archive);
    case Verdict::Damaged:
        return QStringLiteral("%1 is damaged: some of its contents fail their checks.").arg(archive);
    case Verdict::NothingSelected:
        return QStringLiteral("None of the selected entries was found in %1.").arg(archive);
    case Verdict::Warnings:
        return QStringLiteral("7z finished %1 with warnings (see above).").arg(archive);
    case Verdict::NoSpace:
        return QStringLiteral("No space left on the disk for %1.").arg(archive);
    case Verdict::ReadOnly:
        return QStringLiteral("The folder for %1 cannot be written (read-only, or not yours).").arg(archive);
    case Verdict::Refused:
        return QStringLiteral("%1 was refused.").arg(archive);
    case Verdict::Cancelled:
        return QStringLiteral("Cancelled.");
    case Verdict::Failed:
        break;
    }
    return QStringLiteral("7z failed on %1 (exit code %2).").arg(archive).arg(exitCode);
}

QString verdictWords(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return QStringLiteral("OK");
    case Verdict::NeedsPassword:
        return QStringLiteral("needs a password");
    case Verdict::WrongPassword:
        return QStringLiteral("wrong password");
    case Verdict::Missing:
        return QStringLiteral("not found");
    case Verdict::Truncated:
        return QStringLiteral("damaged: the archive ends too early");
    case Verdict::NotArchive:
        return QStringLiteral("not an archive");
    case Verdict::Damaged:
        return QStringLiteral("damaged");
    case Verdict::NothingSelected:
        return QStringLiteral("none of the selected entries found");
    case Verdict::Warnings:
        return QStringLiteral("done, with warnings");
    case Verdict::NoSpace:
        return QStringLiteral("no space left");
    case Verdict::ReadOnly:
        return QStringLiteral("read-only destination");
    case Verdict::Refused:
        return QStringLiteral("refused: it would write outside its folder");
    case Verdict::Cancelled:
        return QStringLiteral("cancelled");
    case Verdict::Failed:
        break;
    }
    return QStringLiteral("failed");
}

bool isProblemLine(const QString &line)
{
    static const QRegularExpression problem(
        QStringLiteral("^(ERROR|WARNING|Open ERROR|System ERROR|Command Line Error|ERRORS:|WARNINGS:|"
                       "Break signaled|Can't open as archive|Archives with Errors|Sub items Errors|"
                       "Open Errors)"),
        QRegularExpression::CaseInsensitiveOption);
    return problem.match(line).hasMatch();
}

bool isPasswordQuestion(const QString &line)
{
    const QString text = line.trimmed();
    return text.startsWith(QLatin1String("Enter password")) && text.endsWith(QLatin1Char(':'));
}

} // namespace brivo::zip
