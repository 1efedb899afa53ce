#include "txtedit/txtedit.h"

#include "ui_txtedit.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/diskwatch.h"
#include "common/documentloader.h"
#include "common/documentprint.h"
#include "common/documentrecovery.h"
#include "common/documentsave.h"
#include "common/editortools.h"
#include "common/errorbox.h"
#include "common/homeactions.h"
#include "common/recoverystore.h"
#include "common/savequestion.h"
#include "common/statusline.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <optional>

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
    m_loader = new brivo::DocumentLoader(ui->textEdit);
    connect(m_loader, &brivo::DocumentLoader::progress, this, [this](int percent) {
        setLoading(true);
        showStatus(percent == 0 ? QStringLiteral("Opening : ") + fileName
                                : QStringLiteral("Opening : %1 (%2 %)").arg(fileName).arg(percent),
                   brivo::statusstyle::opened);
    });
    connect(m_loader, &brivo::DocumentLoader::finished, this, &txtedit::finishLoad);
    connect(m_loader, &brivo::DocumentLoader::failed, this, &txtedit::failLoad);
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

bool txtedit::isLoading() const
{
    return m_loader->isLoading();
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
    if (m_loader->isLoading())
        return;
    if (!ui->textEdit->document()->isModified() && !m_cleanStatus.isEmpty()) {
        backToSaved();
        return;
    }
    // A change that no undo leads back from (the text cleared by New) is unsaved all the same.
    if (!ui->textEdit->document()->isModified())
        ui->textEdit->document()->setModified(true);
    m_recovery->changed();
    // Marking the text as changed is a label swap, never a pass over the text. Once the label shows the
    // red message, further keys find it in place and leave it: a new label per key would restyle and
    // relayout the status bar on every key.
    const QString message = QStringLiteral("Saved : ") + fileName;
    if (showsChanged() && statusLabel->text() == message)
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
    // While a file comes in, the text from before it was already let go, and the new one is the file's.
    return !m_loader->isLoading() && ui->textEdit->document()->isModified();
}

bool txtedit::showsChanged() const
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
    // Half a text never goes to a file.
    if (m_loader->isLoading())
        return false;
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
    if (!m_loader->isLoading())
        m_beforeLoad = {fileName, statusLabel->text(), statusLabel->styleSheet()};
    fileName = path;
    m_restoring = copy ? std::optional(*copy) : std::nullopt;
    m_loader->load(path, copy, as);
}

void txtedit::failLoad(const QString &error)
{
    setLoading(false);
    const QString path = m_restoring ? m_restoring->textPath : fileName;
    fileName = m_beforeLoad.fileName;
    restoreStatusBeforeLoad();
    m_tools->updatePosition();
    brivo::showErrorBox(this, tr("The file %1 could not be opened.\n\n%2").arg(path, error));
}

void txtedit::finishLoad(const brivo::TextFormat &format)
{
    setLoading(false);
    m_format = format;
    QTextDocument *document = ui->textEdit->document();
    m_tools->diskWatch()->setFile(fileName);
    if (!m_restoring) {
        m_recovery->setFile(fileName, m_format);
        m_recovery->unchanged();
        m_tools->remember(fileName);
        showStatus(QStringLiteral("Opened : ") + fileName, brivo::statusstyle::opened);
        markSaved();
        return;
    }
    // The recovered text is the document as it was: changed since its file was last saved.
    const brivo::RecoveryCopy copy = *std::exchange(m_restoring, std::nullopt);
    m_recovery->adopt(copy);
    m_recovery->setFile(fileName, m_format);
    QTextCursor cursor(document);
    cursor.setPosition(qBound(0, copy.cursor, document->characterCount() - 1));
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
    if (!showsChanged() || m_cleanStatus.isEmpty() || ui->textEdit->document()->isModified())
        return;
    m_recovery->unchanged();
    showStatus(m_cleanStatus.first(), m_cleanStatus.last().toLatin1().constData());
}

void txtedit::abandonLoad()
{
    if (!m_loader->isLoading())
        return;
    m_loader->cancel();
    setLoading(false);
    fileName = m_beforeLoad.fileName;
    restoreStatusBeforeLoad();
    m_tools->updatePosition();
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
    // Whatever would read or change the text waits for it; New, Open, Exit and Home stay available.
    for (QAction *action : {ui->actionSave, ui->actionSave_As, ui->actionPrint, ui->actionPrint_As_Pdf,
                            ui->actionCut, ui->actionPaste, ui->actionUndo, ui->actionRedo})
        action->setEnabled(!loading);
}
