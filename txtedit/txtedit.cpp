#include "txtedit/txtedit.h"

#include "ui_txtedit.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/diskwatch.h"
#include "common/documentprint.h"
#include "common/documentrecovery.h"
#include "common/documentsave.h"
#include "common/editortools.h"
#include "common/errorbox.h"
#include "common/homeactions.h"
#include "common/recoverystore.h"
#include "common/savequestion.h"
#include "common/statusline.h"
#include "common/textdocumentfile.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

namespace {

// Files from this size on are read on a worker thread. Below it the whole load takes a few milliseconds, and
// loading at once lets the window show its text the moment it appears.
constexpr qint64 kBackgroundLoadBytes = 1024 * 1024;

// A large text goes into the text area in slices of this many characters, as many as fit in the time below
// between two turns of the event loop, so that the window keeps answering meanwhile.
constexpr qsizetype kFillSliceCharacters = 64 * 1024;
constexpr int kFillTurnMs = 30;

} // namespace

// A large file's text, read and decoded on a worker thread, going into the text area a slice at a time.
// The text area lays out only the lines it shows of a document that grows while it is shown; a whole
// document handed to it at once has every one of its lines given a layout, hundreds of MiB for 50 MB.
struct txtedit::Fill
{
    QString text;
    brivo::TextFormat format;
    brivo::LineEndExceptions lineEnds;
    QString error;
    bool read = false;
    qsizetype done = 0; // characters in the text area so far
    int shownPercent = 0;
    std::optional<brivo::RecoveryCopy> copy;
};

namespace {

std::shared_ptr<txtedit::Fill> readForFill(const QString &path,
                                           const std::optional<brivo::RecoveryCopy> &copy,
                                           const std::optional<brivo::TextEncoding> &as)
{
    auto fill = std::make_shared<txtedit::Fill>();
    fill->copy = copy;
    if (copy)
        fill->read =
            brivo::readRecoveredText(*copy, &fill->text, &fill->format, &fill->lineEnds, &fill->error);
    else
        fill->read = brivo::readTextFile(path, &fill->text, &fill->format, &fill->error, &fill->lineEnds,
                                         as ? &*as : nullptr);
    return fill;
}

} // namespace

txtedit::txtedit(QWidget *parent) : QMainWindow(parent)
{
    ui = new Ui::txtedit;
    statusLabel = new QLabel(QStringLiteral("Brivo-TextEdit : New"));
    statusLabel->setStyleSheet(QLatin1String(brivo::statusstyle::opened));
    ui->setupUi(this);
    // The text has the keyboard from the moment the window opens.
    brivo::focusOnOpen(ui->textEdit);
    ui->verticalLayout->setContentsMargins(0, 0, 0, 0);
    ui->statusbar->addWidget(statusLabel, 0);
    connect(ui->textEdit, &QPlainTextEdit::textChanged, this, &txtedit::te);
    // Undo back to the text as it was opened or saved: nothing is unsaved any more.
    connect(ui->textEdit, &QPlainTextEdit::modificationChanged, this, [this](bool changed) {
        if (!changed)
            backToSaved();
    });
    m_recovery =
        new brivo::DocumentRecovery(ui->textEdit, QLatin1String(recoveryTool), brivo::LineSeparators::Keep);
    setWindowIcon(QIcon(QLatin1String(brivo::toolWindowIcon)));
    setWindowTitle(brivo::toolTitle(brivo::Tool::Notepad));
    m_tools =
        new brivo::EditorTools({this, ui->textEdit, ui->verticalLayout, ui->menuFile, ui->menuEdit,
                                ui->actionSearch, QLatin1String(recoveryTool), [this] { return m_format; },
                                [this](const QString &path) {
                                    if (changesMayGo(this))
                                        load(path);
                                },
                                [this](const QString &path) { load(path); },
                                [this](brivo::TextEncoding encoding) { reopenAs(encoding); },
                                [this](brivo::TextEncoding encoding) { saveAs(encoding); }});
    brivo::describeControls(this, "Notepad: edits a plain text file", {{"textEdit", "Text"}});
}

txtedit::~txtedit()
{
    delete ui;
}

void txtedit::openFile(const QString &path)
{
    load(path);
}

void txtedit::restoreCopy(const brivo::RecoveryCopy &copy)
{
    load(copy.path, &copy);
}

void txtedit::on_actionRedo_triggered()
{
    ui->textEdit->redo();
}

void txtedit::on_actionUndo_triggered()
{
    ui->textEdit->undo();
}

void txtedit::on_actionCut_triggered()
{
    ui->textEdit->cut();
}

void txtedit::on_actionPaste_triggered()
{
    ui->textEdit->paste();
}

void txtedit::on_actionCopy_triggered()
{
    ui->textEdit->copy();
}

void txtedit::on_actionExit_triggered()
{
    close();
}

void txtedit::on_actionSave_As_triggered()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save"));
    if (path.isEmpty())
        return;
    // A copy in the current file's encoding; the document keeps its own file and marker.
    brivo::TextFormat format = m_format;
    writeDocument(path, &format);
    m_tools->diskWatch()->wroteTo(path);
}

void txtedit::on_actionSave_triggered()
{
    save();
}

void txtedit::on_actionOpen_triggered()
{
    if (!changesMayGo(this))
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"));
    if (path.isEmpty())
        return;
    load(path);
}

void txtedit::on_actionNew_triggered()
{
    if (!changesMayGo(this))
        return;
    abandonLoad();
    m_cleanStatus.clear();         // clearing a text marks it changed, and no undo leads back to a file
    fileName = QStringLiteral(""); // empty, not null: the document was started by New
    m_format = brivo::TextFormat();
    m_recovery->setFile(fileName, m_format);
    m_recovery->unchanged();
    m_tools->diskWatch()->setFile(fileName);
    // Clearing an empty text area is no change, and must not mark the new document as changed.
    if (!ui->textEdit->document()->isEmpty())
        ui->textEdit->clear();
}

void txtedit::te()
{
    // The text that goes in while a file loads is the file's, not a change.
    if (m_loading)
        return;
    if (!ui->textEdit->document()->isModified() && !m_cleanStatus.isEmpty()) {
        backToSaved();
        return;
    }
    m_recovery->changed();
    // Marking the text as changed is a label swap, never a pass over the text. Once the label shows the
    // red message, further keys find it in place and leave it: a new label per key would restyle and
    // relayout the status bar on every key.
    const QString message = QStringLiteral("Saved : ") + fileName;
    if (isModified() && statusLabel->text() == message)
        return;
    showStatus(message, brivo::statusstyle::changed);
}

void txtedit::on_actionTextEdit_triggered()
{
    QMessageBox::about(this, tr("About TextEdit"), tr("It is an TextEditor"));
}

void txtedit::on_actionMe_triggered()
{
    QMessageBox::information(this, tr("About Me"),
                             tr("Author : K.VARDEN <br/> Email : ") +
                                 QLatin1String(brivo::contact::authorMail) + QStringLiteral(" , ") +
                                 QLatin1String(brivo::contact::supportMail));
}

void txtedit::on_actionPrint_triggered()
{
    brivo::printWithDialog(ui->textEdit, this, tr("Print Document"));
}

void txtedit::on_actionPrint_As_Pdf_triggered()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save File"), QString(), tr("Pdfs (*.pdf)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!brivo::printToPdfFile(ui->textEdit, path, &error))
        brivo::showErrorBox(this, tr("The PDF file %1 could not be written.\n\n%2").arg(path, error));
}

void txtedit::closeEvent(QCloseEvent *event)
{
    // The question has no parent window, so it stays on screen on its own terms while this one closes.
    if (!changesMayGo(nullptr)) {
        event->ignore();
        return;
    }
    // Saved, discarded or never changed: no copy of the text is needed any more.
    m_recovery->unchanged();
    event->accept();
}

void txtedit::on_actionHome_triggered()
{
    brivo::goHome();
}

void txtedit::showStatus(const QString &text, const char *styleSheet)
{
    statusLabel = brivo::replaceStatusLabel(ui->statusbar, statusLabel, text, QLatin1String(styleSheet));
    if (m_tools)
        m_tools->updatePosition();
}

bool txtedit::isModified() const
{
    return statusLabel->styleSheet() == QLatin1String(brivo::statusstyle::changed);
}

bool txtedit::changesMayGo(QWidget *questionParent)
{
    if (!isModified())
        return true;
    switch (brivo::askToSaveChanges(questionParent)) {
    case QMessageBox::Save:
        // A cancelled or failed save keeps the text: nothing is lost without the user saying so.
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool txtedit::save()
{
    QString path = fileName;
    if (path.isEmpty()) {
        path = QFileDialog::getSaveFileName(this, tr("Save"));
        if (path.isEmpty())
            return false;
    } else if (!m_tools->diskWatch()->mayOverwrite(this)) {
        return false;
    }
    if (!writeDocument(path, &m_format)) {
        if (path == fileName)
            m_tools->diskWatch()->keepMine();
        return false;
    }
    fileName = path;
    m_tools->diskWatch()->setFile(fileName);
    m_recovery->setFile(fileName, m_format);
    m_recovery->unchanged();
    m_tools->remember(fileName);
    showStatus(QStringLiteral("Saved : ") + fileName, brivo::statusstyle::saved);
    markSaved();
    return true;
}

bool txtedit::writeDocument(const QString &path, brivo::TextFormat *format)
{
    return brivo::saveTextDocument(this, ui->textEdit->document(), path, format, brivo::LineSeparators::Keep,
                                   QLatin1String(recoveryTool));
}

void txtedit::reopenAs(brivo::TextEncoding encoding)
{
    if (fileName.isEmpty() || !changesMayGo(this))
        return;
    load(fileName, nullptr, &encoding);
}

void txtedit::saveAs(brivo::TextEncoding encoding)
{
    const brivo::TextFormat before = m_format;
    m_format.encoding = encoding;
    // A save that did not happen leaves the file's encoding as it was.
    if (!save()) {
        m_format = before;
        m_tools->updatePosition();
    }
}

void txtedit::load(const QString &path, const brivo::RecoveryCopy *copy, const brivo::TextEncoding *as)
{
    m_cleanStatus.clear();
    // Loads that overlap put back the state from before the first of them.
    if (!m_loading)
        m_beforeLoad = {fileName, statusLabel->text(), statusLabel->styleSheet()};
    fileName = path;
    const int generation = ++m_loadGeneration;
    const QFont font = ui->textEdit->font();

    const QFileInfo info(copy ? copy->textPath : path);
    if (!info.isFile() || info.size() < kBackgroundLoadBytes) {
        restoreShelvedDocument();
        setLoading(false);
        finishLoad(copy ? brivo::loadRecoveredDocument(*copy, font, thread())
                        : brivo::loadTextDocument(path, font, thread(), as),
                   copy);
        return;
    }

    // Reading and decoding a large file take a moment on a worker thread, and filling the text area takes
    // seconds in slices; the window answers meanwhile, and the read-only text area keeps edits from landing
    // in a document that is still coming in.
    setLoading(true);
    showStatus(QStringLiteral("Opening : ") + path, brivo::statusstyle::opened);
    auto *watcher = new QFutureWatcher<std::shared_ptr<Fill>>(this);
    const std::optional<brivo::RecoveryCopy> restored = copy ? std::optional(*copy) : std::nullopt;
    const std::optional<brivo::TextEncoding> encoding = as ? std::optional(*as) : std::nullopt;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        std::shared_ptr<Fill> fill = watcher->future().takeResult();
        // A later load, or New, has taken over; the text is freed with `fill`.
        if (generation != m_loadGeneration)
            return;
        if (!fill->read) {
            setLoading(false);
            restoreShelvedDocument();
            finishLoad({nullptr, fill->format, false, fill->error}, fill->copy ? &*fill->copy : nullptr);
            return;
        }
        startFill(std::move(fill), generation);
    });
    watcher->setFuture(QtConcurrent::run(&readForFill, path, restored, encoding));
}

void txtedit::startFill(std::shared_ptr<Fill> fill, int generation)
{
    auto *document = new QTextDocument;
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(ui->textEdit->font());
    // Putting the text in is no step to undo.
    document->setUndoRedoEnabled(false);
    QTextDocument *shown = ui->textEdit->document();
    if (!m_shelved) {
        // The document from before the load stays aside until the new one is complete, and comes back if
        // the load is given up. Taken from the text area, which would otherwise free the one it made.
        m_shelved = shown;
        shown->setParent(this);
        shown = nullptr;
    }
    document->setParent(ui->textEdit);
    ui->textEdit->setDocument(document);
    delete shown; // the part of a load given up for this one
    m_fill = std::move(fill);
    fillSome(generation);
}

void txtedit::fillSome(int generation)
{
    if (generation != m_loadGeneration || !m_fill)
        return;
    Fill &fill = *m_fill;
    QTextCursor end(ui->textEdit->document());
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
        ui->textEdit->setTextCursor(QTextCursor(ui->textEdit->document()));
    if (fill.done < size) {
        const int percent = int(fill.done * 100 / size) / 10 * 10;
        if (percent != fill.shownPercent) {
            fill.shownPercent = percent;
            showStatus(QStringLiteral("Opening : %1 (%2 %)").arg(fileName).arg(percent),
                       brivo::statusstyle::opened);
        }
        QTimer::singleShot(0, this, [this, generation] { fillSome(generation); });
        return;
    }

    const std::shared_ptr<Fill> done = std::exchange(m_fill, nullptr);
    QTextDocument *document = ui->textEdit->document();
    brivo::markLineEnds(document, done->lineEnds);
    document->setUndoRedoEnabled(true);
    delete m_shelved.data();
    setLoading(false);
    m_format = done->format;
    adoptLoaded(document, done->copy ? &*done->copy : nullptr);
}

void txtedit::restoreShelvedDocument()
{
    m_fill.reset();
    if (!m_shelved)
        return;
    QTextDocument *partial = ui->textEdit->document();
    QTextDocument *previous = m_shelved.data();
    m_shelved = nullptr;
    previous->setParent(ui->textEdit);
    {
        // The text the window had before is back: no change to mark.
        const QSignalBlocker quiet(ui->textEdit);
        ui->textEdit->setDocument(previous);
    }
    delete partial;
    m_tools->updatePosition();
}

void txtedit::finishLoad(brivo::LoadedDocument loaded, const brivo::RecoveryCopy *copy)
{
    if (!loaded.document) {
        const QString path = fileName;
        fileName = m_beforeLoad.fileName;
        restoreStatusBeforeLoad();
        brivo::showErrorBox(
            this,
            tr("The file %1 could not be opened.\n\n%2").arg(copy ? copy->textPath : path, loaded.error));
        return;
    }

    m_format = loaded.format;
    QTextDocument *document = loaded.document.release();
    brivo::showDocument(ui->textEdit, document);
    adoptLoaded(document, copy);
}

void txtedit::adoptLoaded(QTextDocument *document, const brivo::RecoveryCopy *copy)
{
    m_tools->diskWatch()->setFile(fileName);
    if (!copy) {
        m_recovery->setFile(fileName, m_format);
        m_recovery->unchanged();
        m_tools->remember(fileName);
        showStatus(QStringLiteral("Opened : ") + fileName, brivo::statusstyle::opened);
        markSaved();
        return;
    }
    // The recovered text is the document as it was: changed since its file was last saved.
    m_recovery->adopt(*copy);
    m_recovery->setFile(fileName, m_format);
    QTextCursor cursor(document);
    cursor.setPosition(qBound(0, copy->cursor, document->characterCount() - 1));
    ui->textEdit->setTextCursor(cursor);
    showStatus(QStringLiteral("Saved : ") + fileName, brivo::statusstyle::changed);
    // No undo leads back to the file's own text.
    m_cleanStatus.clear();
    document->setModified(true);
}

void txtedit::markSaved()
{
    m_cleanStatus = {statusLabel->text(), statusLabel->styleSheet()};
    ui->textEdit->document()->setModified(false);
}

void txtedit::backToSaved()
{
    if (!isModified() || m_cleanStatus.isEmpty() || ui->textEdit->document()->isModified())
        return;
    m_recovery->unchanged();
    showStatus(m_cleanStatus.first(), m_cleanStatus.last().toLatin1().constData());
}

void txtedit::abandonLoad()
{
    // A file still being read would otherwise replace the current document when it arrives.
    ++m_loadGeneration;
    if (!m_loading)
        return;
    setLoading(false);
    restoreShelvedDocument();
    fileName = m_beforeLoad.fileName;
    restoreStatusBeforeLoad();
}

void txtedit::restoreStatusBeforeLoad()
{
    if (statusLabel->text() != m_beforeLoad.statusText ||
        statusLabel->styleSheet() != m_beforeLoad.statusStyle)
        statusLabel = brivo::replaceStatusLabel(ui->statusbar, statusLabel, m_beforeLoad.statusText,
                                                m_beforeLoad.statusStyle);
}

void txtedit::setLoading(bool loading)
{
    m_loading = loading;
    ui->textEdit->setReadOnly(loading);
    // Whatever would read or change the text waits for it; New, Open, Exit and Home stay available.
    for (QAction *action : {ui->actionSave, ui->actionSave_As, ui->actionPrint, ui->actionPrint_As_Pdf,
                            ui->actionCut, ui->actionPaste, ui->actionUndo, ui->actionRedo})
        action->setEnabled(!loading);
}
