#include "app/commandline.h"

#include "common/tooltable.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

namespace brivo {

namespace {

constexpr int kLineWidth = 79;

// "  name   word word word", the words wrapped at the line width and continued under the first word.
QString tableRow(const QString &name, const QStringList &words, int nameWidth)
{
    const QString indent(2 + nameWidth + 2, QLatin1Char(' '));
    QString text = QStringLiteral("  ") + name.leftJustified(nameWidth + 2);
    int column = indent.size();
    for (int i = 0; i < words.size(); ++i) {
        if (i > 0 && column + 1 + words[i].size() > kLineWidth) {
            text += QLatin1Char('\n') + indent;
            column = indent.size();
        } else if (i > 0) {
            text += QLatin1Char(' ');
            ++column;
        }
        text += words[i];
        column += words[i].size();
    }
    return text + QLatin1Char('\n');
}

bool isHelp(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

bool isVersion(const QString &argument)
{
    return argument == QLatin1String("--version") || argument == QLatin1String("-v");
}

#if !defined(Q_OS_WIN)
// A file: URL names a file on this computer when it names no host, "localhost" or this computer's name.
bool isLocalHost(const QString &host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}
#endif

// Every tool's name for --tool, in the table's order, separated by ", ".
QString commandNames()
{
    QStringList names;
    for (const ToolDescription &row : toolTable())
        names.append(commandName(row.tool));
    return names.join(QStringLiteral(", "));
}

} // namespace

QString commandName(Tool tool)
{
    return toolName(tool).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

ToolArgument toolOfArguments(const QStringList &arguments)
{
    const QString option = QStringLiteral("--tool");
    if (arguments.value(1) != option || QFileInfo::exists(option))
        return {};
    // The tile's own words are taken too, in any case: "Media Player" as well as "media-player".
    const QString name = arguments.value(2).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
    for (const ToolDescription &row : toolTable()) {
        if (commandName(row.tool) == name)
            return {row.tool, 3, QString()};
    }
    const QString error = arguments.size() > 2
                              ? QStringLiteral("brivo: no tool is named \"%1\"").arg(arguments[2])
                              : QStringLiteral("brivo: --tool needs a tool's name");
    return {std::nullopt, 3, error + QStringLiteral("; the tools are: ") + commandNames()};
}

QString versionText()
{
    return QStringLiteral("brivo " BRIVO_VERSION "\n");
}

QString usageText()
{
    int nameWidth = 0;
    for (const ToolDescription &row : toolTable())
        nameWidth = qMax(nameWidth, int(toolName(row.tool).size()));

    QString text =
        QStringLiteral("Usage: brivo [FILE]\n"
                       "       brivo --tool NAME [FILE]\n"
                       "       brivo --help | --version\n"
                       "\n"
                       "Brivo gathers nine everyday tools behind one home launcher. Started without a\n"
                       "file it shows the launcher. Started with a FILE (a path or a file:// URL) it\n"
                       "opens the tool for the file's extension; a file of a type no tool claims\n"
                       "opens the launcher, where any tool can open it and the tool that reads what\n"
                       "the file holds is marked. Only one FILE is read.\n"
                       "\n"
                       "Tools and the extensions that open them (matched exactly, case included):\n");
    // The tools in the order their extensions are compared; a tool without extensions opens only from
    // its tile.
    for (const ToolDescription &row : toolTable()) {
        QStringList extensions = toolExtensions(row.tool);
        if (extensions.isEmpty())
            extensions = QStringList{QStringLiteral("(from the launcher)")};
        text += tableRow(toolName(row.tool), extensions, nameWidth);
    }
    text += QStringLiteral("\n"
                           "Options, read only when no file of that name exists in the current folder:\n"
                           "  --tool NAME    open FILE in the tool named, whatever its type; the names:\n") +
            tableRow(QString(), commandNames().split(QLatin1Char(' ')), 13) +
            QStringLiteral("  -h, --help     print this help and exit\n"
                           "  -v, --version  print the version and exit\n"
                           "\n"
                           "Environment:\n");
#if defined(Q_OS_WIN)
    text += QStringLiteral("  The IDE's toolchains live under the tool root C:/Brivo.\n");
#else
    text += QStringLiteral("  BRIVO_ROOT      the tool root, which stands for C:/Brivo: the IDE's\n"
                           "                  toolchains live there (default: ~/Brivo)\n"
                           "  XDG_STATE_HOME  Brivo keeps what it remembers between runs in the folder\n"
                           "                  brivo below it (default: ~/.local/state)\n");
#endif
    return text;
}

std::optional<QString> commandLineAnswer(const QString &argument)
{
    if (!isHelp(argument) && !isVersion(argument))
        return std::nullopt;
    if (QFileInfo::exists(argument))
        return std::nullopt;
    return isHelp(argument) ? usageText() : versionText();
}

ArgumentFile fileOfArgument(const QString &argument)
{
    // A file whose name merely looks like a URL is still that file. A relative name is made absolute against
    // the folder Brivo starts in, so that whatever the file's window does later (saving, a recovery copy
    // restored elsewhere) reaches this file; a web address stays as it is.
    if (!argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) || QFileInfo::exists(argument)) {
        if (argument.isEmpty() || argument.contains(QLatin1String("://")) || QFileInfo(argument).isAbsolute())
            return {argument, QString()};
        return {QFileInfo(argument).absoluteFilePath(), QString()};
    }

    const QUrl url(argument);
    const QString refused = QStringLiteral("brivo: cannot open %1: ").arg(argument);
    if (!url.isValid() || url.path().isEmpty())
        return {QString(), refused + QStringLiteral("it is not a file URL that names a file")};
#if defined(Q_OS_WIN)
    // A host names a share: file://server/x is //server/x.
    const QString path = url.toLocalFile();
#else
    // Here //server/x would be read as the local /server/x.
    if (!isLocalHost(url.host()))
        return {QString(),
                refused + QStringLiteral("it names a file on another computer (%1)").arg(url.host())};
    QUrl local = url;
    local.setHost(QString());
    const QString path = local.toLocalFile();
#endif
    // A decoded NUL would cut the name short where the file is opened: the program would open a file
    // other than the one whose extension chose the tool.
    if (path.contains(QChar(0)))
        return {QString(), refused + QStringLiteral("its name holds a NUL character")};
    return {path, QString()};
}

bool printText(const QString &text, std::FILE *stream)
{
    const QByteArray bytes = text.toLocal8Bit();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

} // namespace brivo
