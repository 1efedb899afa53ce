#include "platform/associatedprogram.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace brivo {

bool openWithAssociatedProgram(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool openWebAddress(const QUrl &address, const std::function<void(const QUrl &)> &notOpened)
{
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != "http" && scheme != "https" && scheme != "mailto"))
        return false;
    const QUrl shown = scheme == "mailto" ? mailAddressOnly(address) : address;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open is started itself rather than through the toolkit, whose answer is only whether a program
    // started: with no browser set up it starts and then fails, and the link would do nothing.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        // Not owned by anything: a browser that xdg-open waits for may outlive every window, and is not
        // killed with them.
        auto *process = new QProcess;
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::finished, process,
                         [process, shown, notOpened](int code, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if ((status != QProcess::NormalExit || code != 0) && notOpened)
                                 notOpened(shown);
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, shown, notOpened](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             process->deleteLater();
                             if (notOpened)
                                 notOpened(shown);
                         });
        process->start(opener, {shown.toString(QUrl::FullyEncoded)});
        return true;
    }
#endif
    if (QDesktopServices::openUrl(shown))
        return true;
    if (notOpened)
        notOpened(shown);
    return false;
}

QUrl mailAddressOnly(const QUrl &address)
{
    QUrl kept;
    kept.setScheme(QStringLiteral("mailto"));
    const QString recipients = address.path(QUrl::FullyDecoded);
    if (!recipients.contains(QLatin1Char('?')) && !recipients.contains(QLatin1Char('&')))
        kept.setPath(recipients);
    QUrlQuery query;
    const QUrlQuery asked(address);
    for (const auto &[key, value] : asked.queryItems(QUrl::FullyDecoded)) {
        const QString name = key.toLower();
        if ((name == QLatin1String("subject") || name == QLatin1String("body")) && !query.hasQueryItem(name))
            query.addQueryItem(name, QString(value).replace(QLatin1Char('%'), QLatin1String("%25")));
    }
    if (!query.isEmpty())
        kept.setQuery(query);
    return kept;
}

} // namespace brivo
