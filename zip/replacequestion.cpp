#include "zip/replacequestion.h"

#include "zip/archiveroutputreader.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace brivo::zip {

namespace {

QString described(qint64 size, const QDateTime &time)
{
    const QLocale locale;
    return QStringLiteral("%1 bytes, modified %2")
        .arg(locale.toString(size), locale.toString(time.toLocalTime(), QLocale::ShortFormat));
}

} // namespace

std::optional<QStringList> askAboutReplacing(QWidget *parent, const QString &destination,
                                             const QList<ReplacedFile> &files)
{
    QStringList kept;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ReplacedFile &file = files.at(i);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Brivo : Replace File"),
                        QStringLiteral("The folder %1 already holds a different \"%2\". Replace it with the "
                                       "one from the archive?")
                            .arg(escapedForDisplay(destination), escapedForDisplay(file.entry)),
                        QMessageBox::NoButton, parent);
        box.setTextFormat(Qt::PlainText);
        box.setInformativeText(QStringLiteral("Existing: %1\nFrom the archive: %2")
                                   .arg(described(file.existingSize, file.existingTime),
                                        described(file.archiveSize, file.archiveTime)));
        const QList<std::pair<QMessageBox::StandardButton, const char *>> buttons = {
            {QMessageBox::Yes, "Replace"},
            {QMessageBox::No, "Keep the existing one"},
            {QMessageBox::YesToAll, "Replace all"},
            {QMessageBox::NoToAll, "Keep all"},
            {QMessageBox::Cancel, "Cancel"}};
        for (const auto &[button, text] : buttons)
            box.addButton(button)->setText(QLatin1String(text));
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes:
            break;
        case QMessageBox::No:
            kept << file.entry;
            break;
        case QMessageBox::YesToAll:
            return kept;
        case QMessageBox::NoToAll:
            for (qsizetype rest = i; rest < files.size(); ++rest)
                kept << files.at(rest).entry;
            return kept;
        default:
            return std::nullopt;
        }
    }
    return kept;
}

} // namespace brivo::zip
