#include "common/documentloader.h"

#include "common/recoverystore.h"
#include "common/textdocumentfile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

namespace brivo {

namespace {

// A large text goes into the text area in slices of this many characters, as many as fit in the time below
// between two turns of the event loop, so that the window keeps answering meanwhile.
constexpr qsizetype kFillSliceCharacters = 64 * 1024;
constexpr int kFillTurnMs = 30;

} // namespace

// A large file's text, read and decoded on a worker thread, going into the text area a slice at a time.
// The text area lays out only the lines it shows of a document that grows while it is shown; a whole
// document handed to it at once has every one of its lines given a layout, hundreds of MiB for 50 MB.
struct DocumentLoader::Fill
{
    QString text;
    TextFormat format;
    LineEndExceptions lineEnds;
    QString error;
    bool read = false;
    qsizetype done = 0; // characters in the text area so far
    int shownPercent = 0;
    int generation = 0;
};

namespace {

std::shared_ptr<DocumentLoader::Fill> readForFill(const QString &path,
                                                  const std::optional<RecoveryCopy> &copy,
                                                  const std::optional<TextEncoding> &as)
{
    auto fill = std::make_shared<DocumentLoader::Fill>();
    if (copy)
        fill->read = readRecoveredText(*copy, &fill->text, &fill->format, &fill->lineEnds, &fill->error);
    else
        fill->read = readTextFile(path, &fill->text, &fill->format, &fill->error, &fill->lineEnds,
                                  as ? &*as : nullptr);
    return fill;
}

} // namespace

DocumentLoader::DocumentLoader(QPlainTextEdit *edit) : QObject(edit), m_edit(edit) {}

DocumentLoader::~DocumentLoader() = default;

void DocumentLoader::load(const QString &path, const RecoveryCopy *copy, const TextEncoding *as)
{
    const int generation = ++m_generation;
    const QFileInfo info(copy ? copy->textPath : path);
    if (!info.isFile() || info.size() < backgroundBytes) {
        // Below the size the whole load takes a few milliseconds, and loading at once lets a window show its
        // text the moment it appears.
        restoreShelved();
        setBusy(false);
        LoadedDocument loaded = copy ? loadRecoveredDocument(*copy, m_edit->font(), thread())
                                     : loadTextDocument(path, m_edit->font(), thread(), as);
        if (!loaded.document) {
            emit failed(loaded.error);
            return;
        }
        showDocument(m_edit, loaded.document.release());
        emit finished(loaded.format);
        return;
    }

    // Reading and decoding a large file take a moment on a worker thread, and filling the text area takes
    // seconds in slices; the window answers meanwhile, and the read-only text area keeps edits from landing
    // in a document that is still coming in.
    setBusy(true);
    emit progress(0);
    auto *watcher = new QFutureWatcher<std::shared_ptr<Fill>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        std::shared_ptr<Fill> fill = watcher->future().takeResult();
        // A later load, or cancel(), has taken over; the text is freed with `fill`.
        if (generation != m_generation)
            return;
        if (!fill->read) {
            restoreShelved();
            setBusy(false);
            emit failed(fill->error);
            return;
        }
        fill->generation = generation;
        startFill(std::move(fill));
    });
    const std::optional<RecoveryCopy> restored = copy ? std::optional(*copy) : std::nullopt;
    const std::optional<TextEncoding> encoding = as ? std::optional(*as) : std::nullopt;
    watcher->setFuture(QtConcurrent::run(&readForFill, path, restored, encoding));
}

void DocumentLoader::cancel()
{
    // A file still being read would otherwise replace the current document when it arrives.
    ++m_generation;
    restoreShelved();
    setBusy(false);
}

void DocumentLoader::startFill(std::shared_ptr<Fill> fill)
{
    auto *document = new QTextDocument;
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(m_edit->font());
    // Putting the text in is no step to undo.
    document->setUndoRedoEnabled(false);
    QTextDocument *shown = m_edit->document();
    if (!m_shelved) {
        // The document from before the load stays aside until the new one is complete, and comes back if
        // the load is given up. Taken from the text area, which would otherwise free the one it made.
        m_shelved = shown;
        shown->setParent(this);
        shown = nullptr;
    }
    document->setParent(m_edit);
    m_edit->setDocument(document);
    delete shown; // the part of a load given up for this one
    m_fill = std::move(fill);
    fillSome(m_fill->generation);
}

void DocumentLoader::fillSome(int generation)
{
    if (generation != m_generation || !m_fill)
        return;
    Fill &fill = *m_fill;
    QTextCursor end(m_edit->document());
    end.movePosition(QTextCursor::End);
    QElapsedTimer turn;
    turn.start();
    const qsizetype size = fill.text.size();
    const bool first = fill.done == 0;
    while (fill.done < size && turn.elapsed() < kFillTurnMs) {
        qsizetype to = qMin(size, fill.done + kFillSliceCharacters);
        // Whole lines at a time where the lines are not too long for it.
        if (to < size) {
            const qsizetype lineBreak = fill.text.lastIndexOf(u'\n', to - 1);
            if (lineBreak >= fill.done)
                to = lineBreak + 1;
        }
        end.insertText(QStringView(fill.text).sliced(fill.done, to - fill.done).toString());
        fill.done = to;
    }
    // The text area's cursor was where the first slice went in, and went along with it.
    if (first)
        m_edit->setTextCursor(QTextCursor(m_edit->document()));
    if (fill.done < size) {
        const int percent = int(fill.done * 100 / size) / 10 * 10;
        if (percent != fill.shownPercent) {
            fill.shownPercent = percent;
            emit progress(percent);
        }
        QTimer::singleShot(0, this, [this, generation] { fillSome(generation); });
        return;
    }

    const std::shared_ptr<Fill> done = std::exchange(m_fill, nullptr);
    QTextDocument *document = m_edit->document();
    markLineEnds(document, done->lineEnds);
    document->setUndoRedoEnabled(true);
    delete m_shelved.data();
    setBusy(false);
    emit finished(done->format);
}

void DocumentLoader::restoreShelved()
{
    m_fill.reset();
    if (!m_shelved)
        return;
    QTextDocument *partial = m_edit->document();
    QTextDocument *previous = m_shelved.data();
    m_shelved = nullptr;
    previous->setParent(m_edit);
    {
        // The text the window had before is back: no change to mark.
        const QSignalBlocker quiet(m_edit);
        m_edit->setDocument(previous);
    }
    delete partial;
}

void DocumentLoader::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    if (busy)
        m_wasReadOnly = m_edit->isReadOnly();
    m_busy = busy;
    m_edit->setReadOnly(busy || m_wasReadOnly);
}

} // namespace brivo
