#include "common/documentsave.h"

#include "common/errorbox.h"
#include "common/recoverystore.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

namespace brivo {

namespace {

// From this size on, saving shows the wait cursor: writing tens of megabytes takes a moment.
constexpr int kLargeDocument = 1024 * 1024;

QString eightBitName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("the system's 8-bit code page");
#else
    return QStringLiteral("Latin-1 (ISO 8859-1)");
#endif
}

// Asks whether text that `path`'s 8-bit encoding cannot hold is to be saved as UTF-8.
bool saveAsUtf8(QWidget *parent, const QString &path, const QString &lost)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Brivo : Save as UTF-8"),
                    QStringLiteral("The file %1 is stored in %2, which cannot hold some characters of the "
                                   "text: %3\n\nSave it as UTF-8 instead? Cancel saves nothing.")
                        .arg(path, eightBitName(), lost),
                    QMessageBox::Yes | QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Save as UTF-8"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

bool saveTextDocument(QWidget *parent, const QTextDocument *document, const QString &path, TextFormat *format,
                      LineSeparators separators, const QString &tool)
{
    const bool large = document->characterCount() >= kLargeDocument;
    if (large)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const CapturedText text = captureDocument(document);
    TextFormat used = *format;
    QString lost;
    if (!encodingHolds(text.raw, used.encoding, &lost)) {
        if (large)
            QGuiApplication::restoreOverrideCursor();
        if (!saveAsUtf8(parent, path, lost))
            return false;
        used.encoding = TextEncoding::Utf8;
        if (large)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    RecoveryStore *store = RecoveryStore::instance();
    const OldContentKeeper keeper{[store, tool](const QString &file, const QByteArray &old, QString *error) {
                                      return store->keepBeforeSave(file, old, tool, error);
                                  },
                                  [store](const QString &copy) { store->discardKept(copy); }};
    const SaveOutcome outcome =
        writeFileKeepingOldContent(path, capturedBytes(text, &used, separators), keeper);
    if (large)
        QGuiApplication::restoreOverrideCursor();
    if (!outcome.written) {
        QString message = QStringLiteral("The file %1 could not be saved.\n\n%2").arg(path, outcome.error);
        if (!outcome.keptCopy.isEmpty())
            message += QStringLiteral("\n\nIts previous content is kept in %1").arg(outcome.keptCopy);
        showErrorBox(parent, message);
        return false;
    }
    // Copies of the file's old content that earlier failed saves kept are not wanted back any more.
    store->discardKeptOf(path);
    *format = used;
    return true;
}

} // namespace brivo
