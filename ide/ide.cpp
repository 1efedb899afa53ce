#include "ide/ide.h"
#include "ui_ide.h"

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
#include "common/textdocumentfile.h"
#include "common/tooltable.h"
#include "common/viewkeys.h"
#include "common/windowkeeper.h"
#include "ide/codeedit.h"
#include "ide/languagetable.h"
#include "ide/runoutputpane.h"
#include "ide/toolchainsetupdialog.h"
#include "platform/associatedprogram.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <ctime>

using brivo::Language;

namespace {

// The settings file that the C/C++ command may pass to its linker.
constexpr char kLinkFile[] = "C:/Brivo/Ide/CCPP/bin/link.txt";

// Colours `edit` for `path` and says at the right of the status bar when the text is too large for it.
void highlightFor(CodeEdit *edit, const QString &path, QStatusBar *bar)
{
    const bool coloured = edit->setSourceFile(path);
    auto *note = bar->findChild<QLabel *>(QStringLiteral("highlightNote"));
    if (!note && coloured)
        return;
    if (!note) {
        note = new QLabel(QStringLiteral("No syntax colours: the file is too large"));
        note->setObjectName(QStringLiteral("highlightNote"));
        bar->addPermanentWidget(note);
    }
    note->setVisible(!coloured);
}

} // namespace

ide::ide(QWidget *parent) : QMainWindow(parent), ui(new Ui::ide)
{
    // The toolchains are looked for in the folder the program was started in, then in the tool root;
    // without them the editor still works, but nothing can be run until they are set up.
    if (!brivo::toolFolderExists(QStringLiteral("IDE")))
        offerToolchainSetup();

    ui->setupUi(this);
    // The text has the keyboard from the moment the window opens.
    brivo::focusOnOpen(ui->textEdit);
    layout()->setContentsMargins(0, 0, 0, 0);
    ui->verticalLayout->setContentsMargins(0, 0, 0, 0);

    statusLabel = brivo::replaceStatusLabel(statusBar(), nullptr, QStringLiteral("Brivo : "));
    setWindowTitle(brivo::toolTitle(brivo::Tool::CodeEditor));
    setWindowIcon(QIcon(QLatin1String(brivo::toolWindowIcon)));

    // What a run prints shows in a pane under the editor, from the first run on.
    m_output = new RunOutputPane;
    m_outputDock = new QDockWidget(QStringLiteral("Output"), this);
    m_outputDock->setObjectName(QStringLiteral("outputDock"));
    m_outputDock->setFeatures(QDockWidget::DockWidgetClosable);
    m_outputDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_outputDock->setWidget(m_output);
    addDockWidget(Qt::BottomDockWidgetArea, m_outputDock);
    m_outputDock->hide();
    // One run at a time per window: the Build menu rests while a command runs, and the pane's title says
    // that something runs.
    connect(m_output, &RunOutputPane::runningChanged, this, &ide::showRunning);
    connect(m_output, &RunOutputPane::locationActivated, this, &ide::showOutputLocation);
    // The pane's close button is the dock's own.
    brivo::describeControls(
        this, "Code editor: edits a source file and builds and runs it",
        {{"textEdit", "Code"},
         {"qt_dockwidget_closebutton", "Close the output pane", "Close the output pane"}});

    auto *setUpToolchains = ui->menuSettings->addAction(QStringLiteral("Set up toolchains..."));
    setUpToolchains->setObjectName(QStringLiteral("actionSet_up_toolchains"));
    setUpToolchains->setToolTip(QStringLiteral(
        "Find the compilers and interpreters installed here and write the commands that run them"));
    ui->menuSettings->setToolTipsVisible(true);
    connect(setUpToolchains, &QAction::triggered, this, &ide::showToolchainSetup);

    // One key runs the file the way its language's Build entry does.
    ui->menuBuild->addSeparator();
    auto *run = ui->menuBuild->addAction(QStringLiteral("Run"));
    run->setObjectName(QStringLiteral("actionRun"));
    run->setShortcut(QKeySequence(Qt::Key_F5));
    run->setToolTip(QStringLiteral("Run the Build entry of the file's language, told by its extension"));
    ui->menuBuild->setToolTipsVisible(true);
    connect(run, &QAction::triggered, this, &ide::runByExtension);

    // The file keys every editor has, as the notepad has them.
    ui->actionNew->setShortcuts(QKeySequence::New);
    ui->actionOpen->setShortcuts(QKeySequence::Open);
    ui->actionSave->setShortcuts(QKeySequence::Save);

    m_recovery = new brivo::DocumentRecovery(ui->textEdit, QLatin1String(recoveryTool),
                                             brivo::LineSeparators::AsLineBreaks);
    // A large file goes into the text area in slices, the window answering meanwhile.
    m_loader = new brivo::DocumentLoader(ui->textEdit);
    connect(m_loader, &brivo::DocumentLoader::progress, this, [this](int percent) {
        showLoading(true);
        setStatus(percent == 0 ? QStringLiteral("Opening : ") + m_loadPath
                               : QStringLiteral("Opening : %1 (%2 %)").arg(m_loadPath).arg(percent),
                  brivo::statusstyle::opened);
    });
    connect(m_loader, &brivo::DocumentLoader::finished, this, &ide::finishLoad);
    connect(m_loader, &brivo::DocumentLoader::failed, this, &ide::failLoad);
    connect(ui->textEdit, &QPlainTextEdit::textChanged, this, &ide::ch);
    // Undo back to the text as it was opened or saved: nothing is unsaved any more.
    connect(ui->textEdit, &QPlainTextEdit::modificationChanged, this, [this](bool changed) {
        if (!changed)
            backToSaved();
    });
    m_tools =
        new brivo::EditorTools({this, ui->textEdit, ui->verticalLayout, ui->menuFile, ui->menuEdit,
                                ui->actionSearch, QLatin1String(recoveryTool), [this] { return m_format; },
                                [this](const QString &path) {
                                    if (mayDiscardText())
                                        openFile(path);
                                },
                                [this](const QString &path) { openFile(path); },
                                [this](brivo::TextEncoding encoding) { reopenAs(encoding); },
                                [this](brivo::TextEncoding encoding) { saveAs(encoding); }});
}

ide::~ide()
{
    for (const auto &window : std::as_const(m_javaWindows))
        delete window;
    for (const auto &window : std::as_const(m_linkWindows))
        delete window;
    delete ui;
}

void ide::setStatus(const QString &text, const char *styleSheet)
{
    statusLabel = brivo::replaceStatusLabel(statusBar(), statusLabel, text, QLatin1String(styleSheet));
    if (m_tools)
        m_tools->updatePosition();
}

QString ide::editorText() const
{
    return brivo::documentText(ui->textEdit->document(), brivo::LineSeparators::AsLineBreaks);
}

// ---- The document ---------------------------------------------------------------------------------

bool ide::isLoading() const
{
    return m_loader->isLoading();
}

void ide::load(const QString &path, const brivo::RecoveryCopy *copy, const brivo::TextEncoding *as)
{
    // Loads that overlap put back the status from before the first of them.
    if (!m_loader->isLoading())
        m_statusBeforeLoad = {statusLabel->text(), statusLabel->styleSheet()};
    m_loadPath = path;
    m_restoring = copy ? std::optional(*copy) : std::nullopt;
    // As plain text: a file that looks like a web page is source all the same. The old language's colours
    // go first, or they would run over the whole new text as it goes in.
    ui->textEdit->setSourceFile(QString());
    m_loader->load(path, copy, as);
}

void ide::finishLoad(const brivo::TextFormat &format)
{
    showLoading(false);
    fileName = m_loadPath;
    highlightFor(ui->textEdit, fileName, statusBar());
    m_format = format;
    m_tools->diskWatch()->setFile(fileName);
    m_recovery->setFile(fileName, m_format);
    m_recovery->unchanged();
    m_tools->remember(fileName);
    setStatus(QStringLiteral("Opened : ") + fileName, brivo::statusstyle::opened);
    markSaved();
    if (!m_restoring)
        return;

    // The recovered text is the document as it was: changed since its file was last saved.
    const brivo::RecoveryCopy copy = *std::exchange(m_restoring, std::nullopt);
    m_recovery->adopt(copy);
    m_recovery->setFile(fileName, m_format);
    QTextCursor cursor = ui->textEdit->textCursor();
    cursor.setPosition(qBound(0, copy.cursor, ui->textEdit->document()->characterCount() - 1));
    ui->textEdit->setTextCursor(cursor);
    // No undo leads back to the file's own text.
    m_cleanStatus.clear();
    ui->textEdit->document()->setModified(true);
    setStatus(QStringLiteral("Saved : ") + fileName, brivo::statusstyle::changed);
}

void ide::failLoad(const QString &error)
{
    showLoading(false);
    // The text from before is back, and with it its colours and its status.
    highlightFor(ui->textEdit, fileName, statusBar());
    if (statusLabel->text() != m_statusBeforeLoad.first() ||
        statusLabel->styleSheet() != m_statusBeforeLoad.last())
        setStatus(m_statusBeforeLoad.first(), m_statusBeforeLoad.last().toLatin1().constData());
    const QString path = m_restoring ? m_restoring->textPath : m_loadPath;
    m_restoring.reset();
    brivo::showErrorBox(this, QStringLiteral("Could not open %1:\n%2").arg(path, error));
}

void ide::showLoading(bool loading)
{
    // Whatever would read or change the text waits for it; New, Open, Exit and Home stay available.
    for (QAction *action : {ui->actionSave, ui->actionSave_As, ui->actionPrint, ui->actionPrint_Ad_Pdf,
                            ui->actionCut, ui->actionPaste, ui->actionDelete, ui->actionUndo, ui->actionRedo})
        action->setEnabled(!loading);
    const QList<QAction *> runs = ui->menuBuild->actions();
    for (QAction *action : runs)
        action->setEnabled(!loading);
}

void ide::openFile(const QString &path)
{
    load(path);
}

void ide::reopenAs(brivo::TextEncoding encoding)
{
    if (fileName.isEmpty() || !mayDiscardText())
        return;
    load(fileName, nullptr, &encoding);
}

void ide::saveAs(brivo::TextEncoding encoding)
{
    const brivo::TextFormat before = m_format;
    m_format.encoding = encoding;
    // A save that did not happen leaves the file's encoding as it was.
    if (!saveDocument()) {
        m_format = before;
        m_tools->updatePosition();
    }
}

void ide::restoreCopy(const brivo::RecoveryCopy &copy)
{
    load(copy.path, &copy);
}

bool ide::mayDiscardText()
{
    // While a file loads, the text from before it was already let go.
    if (!ui->textEdit->document()->isModified() || m_loader->isLoading())
        return true;
    switch (brivo::askToSaveChanges(this)) {
    case QMessageBox::Save:
        return saveDocument();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool ide::writeDocument(const QString &path, brivo::TextFormat *format)
{
    return brivo::saveTextDocument(this, ui->textEdit->document(), path, format,
                                   brivo::LineSeparators::AsLineBreaks, QLatin1String(recoveryTool));
}

bool ide::saveDocument()
{
    // Half a text never goes to a file.
    if (m_loader->isLoading())
        return false;
    QString name = fileName;
    if (name.isEmpty()) {
        name = QFileDialog::getSaveFileName(this, QStringLiteral("Brivo : Save file name"));
        if (name.isEmpty())
            return false;
    } else if (!m_tools->diskWatch()->mayOverwrite(this)) {
        return false;
    }
    if (!writeDocument(name, &m_format)) {
        if (name == fileName)
            m_tools->diskWatch()->keepMine();
        return false;
    }
    m_tools->diskWatch()->setFile(name);
    if (name != fileName)
        highlightFor(ui->textEdit, name, statusBar());
    fileName = name;
    m_recovery->setFile(fileName, m_format);
    m_recovery->unchanged();
    m_tools->remember(fileName);
    setStatus(QStringLiteral("Saved : ") + fileName, brivo::statusstyle::saved);
    markSaved();
    return true;
}

void ide::closeEvent(QCloseEvent *event)
{
    if (!mayDiscardText()) {
        event->ignore();
        return;
    }
    // Saved, discarded or never changed: no copy of the text is needed any more.
    m_recovery->unchanged();
    // A command still running would go on unseen: it ends with the window.
    m_output->stop();
    event->accept();
}

void ide::markSaved()
{
    m_cleanStatus = {statusLabel->text(), statusLabel->styleSheet()};
    ui->textEdit->document()->setModified(false);
}

void ide::backToSaved()
{
    if (m_cleanStatus.isEmpty() || ui->textEdit->document()->isModified())
        return;
    m_recovery->unchanged();
    if (statusLabel->text() != m_cleanStatus.first() || statusLabel->styleSheet() != m_cleanStatus.last())
        setStatus(m_cleanStatus.first(), m_cleanStatus.last().toLatin1().constData());
}

void ide::ch()
{
    // The text that goes in while a file loads is the file's, not a change.
    if (m_loader->isLoading())
        return;
    if (!ui->textEdit->document()->isModified() && !m_cleanStatus.isEmpty()) {
        backToSaved();
        return;
    }
    // A change that no undo leads back from (a recovered text's first key) is unsaved all the same.
    if (!ui->textEdit->document()->isModified())
        ui->textEdit->document()->setModified(true);
    m_recovery->changed();
    setStatus(QStringLiteral("Saved : ") + fileName, brivo::statusstyle::changed);
}

void ide::on_actionNew_triggered()
{
    if (!mayDiscardText())
        return;
    // A file still coming in would otherwise replace the new document.
    if (m_loader->isLoading()) {
        m_loader->cancel();
        showLoading(false);
    }
    ui->textEdit->setPlainText(QString());
    highlightFor(ui->textEdit, QString(), statusBar());
    fileName = QLatin1String("");
    m_format = brivo::TextFormat();
    m_tools->diskWatch()->setFile(fileName);
    m_recovery->setFile(fileName, m_format);
    m_recovery->unchanged();
    setStatus(QStringLiteral("Brivo : New Unsaved"), brivo::statusstyle::opened);
    markSaved();
}

void ide::on_actionOpen_triggered()
{
    if (!mayDiscardText())
        return;
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Brivo : Open A File"));
    if (path.isNull())
        return;
    load(path);
}

void ide::on_actionSave_triggered()
{
    saveDocument();
}

void ide::on_actionSave_As_triggered()
{
    // A copy: the current file and the status line stay as they are.
    const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Brivo : Save file name"));
    if (name.isEmpty())
        return;
    brivo::TextFormat format = m_format;
    writeDocument(name, &format);
    m_tools->diskWatch()->wroteTo(name);
}

void ide::on_actionPrint_triggered()
{
    brivo::printWithDialog(ui->textEdit, this, tr("Print Document"));
}

void ide::on_actionPrint_Ad_Pdf_triggered()
{
    const QString name = QFileDialog::getSaveFileName(this, tr("Save File"), QString(), tr("Pdfs (*.pdf)"));
    if (name.isEmpty())
        return;
    QString error;
    if (!brivo::printToPdfFile(ui->textEdit, name, &error))
        brivo::showErrorBox(this, QStringLiteral("Could not write %1:\n%2").arg(name, error));
}

void ide::on_actionExit_triggered()
{
    close();
}

void ide::on_actionUndo_triggered()
{
    ui->textEdit->undo();
}

void ide::on_actionRedo_triggered()
{
    ui->textEdit->redo();
}

void ide::on_actionCut_triggered()
{
    ui->textEdit->cut();
}

void ide::on_actionCopy_triggered()
{
    ui->textEdit->copy();
}

void ide::on_actionPaste_triggered()
{
    ui->textEdit->paste();
}

void ide::on_actionDelete_triggered()
{
    // Delete keeps what it removes on the clipboard.
    ui->textEdit->cut();
}

void ide::on_actionSearch_triggered()
{
    // The find bar opens from the action itself (EditorTools), in this editor as in the notepad.
}

// ---- Runs -------------------------------------------------------------------------------------------

void ide::lastCompiled(const QString &language)
{
    setStatus(brivo::lastCompiledText(language, std::time(nullptr)));
}

bool ide::checkToolchain(Language language)
{
    const brivo::LanguageRun &run = brivo::languageRun(language);
    if (brivo::toolFolderExists(QLatin1String(run.checkFolder)))
        return true;
    brivo::showErrorBox(this, QLatin1String(run.missingMessage));
    return false;
}

bool ide::writeToolchainFile(const QString &path, const QString &text)
{
    const QString target = brivo::mapToolRootPath(path);
    brivo::TextFormat format = brivo::toolchainTextFormat();
    QString error;
    if (brivo::writeTextFile(target, text, &format, &error))
        return true;
    // Running the command on whatever file is left there would run stale code.
    brivo::showErrorBox(this, QStringLiteral("Could not write %1:\n%2").arg(target, error));
    return false;
}

void ide::runCommand(Language language)
{
    const brivo::LanguageRun &run = brivo::languageRun(language);
    if (run.opensPage) {
        const QString page = brivo::mapToolRootPath(QLatin1String(run.command));
        if (!brivo::openWithAssociatedProgram(page))
            brivo::showErrorBox(this, QStringLiteral("No program could open %1.").arg(page));
        return;
    }
    const QString program = brivo::completeProgramPath(brivo::mapToolRootPath(QLatin1String(run.command)));
    if (m_outputDock->isHidden()) {
        m_outputDock->show();
        resizeDocks({m_outputDock}, {height() / 3}, Qt::Vertical);
    }
    m_output->start(QLatin1String(run.statusName) + QStringLiteral(": ") + program,
                    brivo::commandLineForProgram(program));
}

void ide::showRunning(bool running)
{
    ui->menuBuild->setEnabled(!running);
    m_outputDock->setWindowTitle(running ? QStringLiteral("Output (running)") : QStringLiteral("Output"));
    if (running)
        return;
    // The pane took the focus for the program's input; typing goes back to the editor afterwards.
    const QWidget *focused = QApplication::focusWidget();
    if (!focused || m_output->isAncestorOf(focused))
        ui->textEdit->setFocus();
}

void ide::showOutputLocation(const QString &file, int line, int column)
{
    // A relative name is the compiler's view from where it ran: the current folder, or the folder of the
    // source file when the command went there first.
    QStringList candidates{QDir::current().absoluteFilePath(file)};
    if (QFileInfo(file).isRelative() && !m_runSource.isEmpty())
        candidates.append(QFileInfo(m_runSource).dir().absoluteFilePath(file));
    const auto sameFile = [](const QString &a, const QString &b) {
        return !b.isEmpty() && QFileInfo(a).exists() &&
               QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
    };
    for (const QString &candidate : std::as_const(candidates)) {
        if (sameFile(candidate, m_runSource) || sameFile(candidate, fileName)) {
            ui->textEdit->goToLine(line, column);
            activateWindow();
            ui->textEdit->setFocus();
            return;
        }
    }
    for (const QString &candidate : std::as_const(candidates)) {
        if (QFileInfo(candidate).isFile()) {
            auto *window = new ide(nullptr);
            window->openFile(candidate);
            CodeEdit *edit = window->ui->textEdit;
            // A large file is still coming in: the place is shown once it is there.
            if (window->isLoading())
                connect(
                    window->m_loader, &brivo::DocumentLoader::finished, edit,
                    [edit, line, column] { edit->goToLine(line, column); }, Qt::SingleShotConnection);
            else
                edit->goToLine(line, column);
            window->show();
            brivo::keepUntilClosed(window);
            return;
        }
    }
    // The message names a file that is not there (any more): nothing to show.
    QApplication::beep();
}

// ---- Toolchain set-up ---------------------------------------------------------------------------------

void ide::offerToolchainSetup()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("No Compilers Found "),
                    QStringLiteral("No Compilers found.<br/><br/>Download a IDE Version of Brivo at <b>") +
                        QLatin1String(brivo::contact::webSite) + QStringLiteral("</b>"),
                    QMessageBox::Ok, this);
    QPushButton *setUp = box.addButton(QStringLiteral("Set up"), QMessageBox::ActionRole);
    setUp->setToolTip(
        QStringLiteral("Write the commands that run programs with the toolchains installed here"));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    // The window is still being built: the dialog opens over it once it shows.
    if (box.clickedButton() == setUp)
        QMetaObject::invokeMethod(this, &ide::showToolchainSetup, Qt::QueuedConnection);
}

void ide::showToolchainSetup()
{
    if (!m_setupDialog)
        m_setupDialog = new ToolchainSetupDialog(this);
    else if (!m_setupDialog->isVisible())
        m_setupDialog->refresh();
    m_setupDialog->show();
    m_setupDialog->raise();
    m_setupDialog->activateWindow();
}

void ide::runLanguage(Language language)
{
    if (m_output->isRunning() || !checkToolchain(language))
        return;
    const brivo::LanguageRun &run = brivo::languageRun(language);
    if (!writeToolchainFile(QLatin1String(run.sourceFile), editorText()))
        return;
    m_runSource = brivo::mapToolRootPath(QLatin1String(run.sourceFile));
    lastCompiled(QLatin1String(run.statusName));
    runCommand(language);
}

void ide::runByExtension()
{
    const brivo::LanguageRun *run = brivo::languageForFile(fileName);
    if (!run) {
        int count = 0;
        const brivo::LanguageRun *runs = brivo::languageRuns(&count);
        QStringList entries;
        for (int i = 0; i < count; ++i)
            entries.append(QLatin1String(runs[i].statusName));
        const QString what = fileName.isEmpty()
                                 ? QStringLiteral("The text has no file name yet")
                                 : QStringLiteral("%1 has no extension of a language the Build menu runs")
                                       .arg(QFileInfo(fileName).fileName());
        QMessageBox::information(this, QStringLiteral("Run"),
                                 what + QStringLiteral(".\n\nChoose one of the Build menu's entries: ") +
                                     entries.join(QStringLiteral(", ")) + QLatin1Char('.'));
        return;
    }
    // Java asks for its class name first, as its menu entry does.
    if (run->language == Language::Java)
        on_actionJava_triggered();
    else
        runLanguage(run->language);
}

void ide::on_actionC_triggered()
{
    runLanguage(Language::CCpp);
}
void ide::on_actionPython_triggered()
{
    runLanguage(Language::Python);
}
void ide::on_actionPerl_triggered()
{
    runLanguage(Language::Perl);
}
void ide::on_actionRuby_triggered()
{
    runLanguage(Language::Ruby);
}
void ide::on_actionLisp_triggered()
{
    runLanguage(Language::Lisp);
}
void ide::on_actionBatch_triggered()
{
    runLanguage(Language::Batch);
}
void ide::on_actionHtml_triggered()
{
    runLanguage(Language::Html);
}
void ide::on_actionGo_triggered()
{
    runLanguage(Language::Go);
}
void ide::on_actionAssembly_triggered()
{
    runLanguage(Language::Assembly);
}
void ide::on_actionLua_triggered()
{
    runLanguage(Language::Lua);
}

// ---- Java ---------------------------------------------------------------------------------------------

void ide::forgetHiddenWindows(QList<QPointer<QWidget>> *windows)
{
    // Windows closed earlier are of no more use; open ones may still hold the user's text.
    for (auto it = windows->begin(); it != windows->end();) {
        if (*it && (*it)->isVisible()) {
            ++it;
            continue;
        }
        delete it->data();
        it = windows->erase(it);
    }
}

void ide::on_actionJava_triggered()
{
    if (m_output->isRunning() || !checkToolchain(Language::Java))
        return;
    if (!javaClassName.isEmpty() && classEdit) {
        classEdit->setPlainText(javaClassName);
        idejava();
        return;
    }

    forgetHiddenWindows(&m_javaWindows);
    auto *window = new QWidget;
    window->setWindowTitle(QStringLiteral("Brivo : Java-Enter Class Name"));
    window->setMinimumSize(410, 150);
    window->setMaximumSize(410, 150);
    window->resize(400, 150);
    auto *layout = new QVBoxLayout;
    auto *example = new QLabel(QStringLiteral("Exmaple : a.java"));
    auto *field = new QTextEdit;
    auto *remember = new QCheckBox(
        QStringLiteral("Remember Class Name(Clear it bye using Settings->Clear Java Class name)"));
    auto *runButton = new QPushButton(QStringLiteral("Run"));
    runButton->setFixedSize(60, 30);
    layout->addWidget(example);
    layout->addWidget(field);
    layout->addWidget(remember);
    layout->addWidget(runButton);
    window->setLayout(layout);
    field->setObjectName(QStringLiteral("classNameField"));
    brivo::describeControls(window, "The Java class to run the code as", {{"classNameField", "Class name"}});

    javaWin = window;
    classEdit = field;
    rememberBox = remember;
    m_javaWindows.append(window);
    // "Run" acts on the dialog it belongs to, also when a newer dialog was opened meanwhile.
    connect(runButton, &QPushButton::clicked, this, [this, window, field, remember] {
        javaWin = window;
        classEdit = field;
        rememberBox = remember;
        idejava();
    });
    window->show();
}

void ide::idejava()
{
    if (!javaWin || !classEdit)
        return;
    if (m_output->isRunning()) {
        QApplication::beep();
        return;
    }
    const QString name = classEdit->toPlainText();
    // The name becomes a file name in the JDK folder: it must stay a plain name in that folder.
    if (!brivo::isValidJavaFileName(name)) {
        brivo::showErrorBox(this, QStringLiteral("Not a valid class name"));
        return;
    }
    if (rememberBox && rememberBox->isChecked())
        javaClassName = name;

    const brivo::LanguageRun &run = brivo::languageRun(Language::Java);
    if (!writeToolchainFile(QLatin1String(brivo::javaNameFile), name) ||
        !writeToolchainFile(QLatin1String(run.sourceFile) + name, editorText()))
        return;
    m_runSource = brivo::mapToolRootPath(QLatin1String(run.sourceFile) + name);
    lastCompiled(QLatin1String(run.statusName));
    javaWin->close();
    runCommand(Language::Java);
}

void ide::on_actionClear_Java_CLass_Name_triggered()
{
    javaClassName = QLatin1String("");
}

// ---- Linker settings ----------------------------------------------------------------------------------

void ide::on_actionC_C_Linker_triggered()
{
    const QString path = brivo::mapToolRootPath(QLatin1String(kLinkFile));
    QString text;
    QString error;
    brivo::TextFormat format = brivo::toolchainTextFormat();
    if (!brivo::readTextFile(path, &text, &format, &error)) {
        // No settings yet is an empty field; settings that exist but cannot be read must not be replaced
        // by an empty text on the next Save.
        if (QFileInfo::exists(path)) {
            brivo::showErrorBox(this, QStringLiteral("Could not open %1:\n%2").arg(path, error));
            return;
        }
        text.clear();
        format = brivo::toolchainTextFormat();
    }
    forgetHiddenWindows(&m_linkWindows);
    for (auto it = m_linkFormats.begin(); it != m_linkFormats.end();)
        it = m_linkWindows.contains(it.key()) ? std::next(it) : m_linkFormats.erase(it);
    auto *window = new QWidget;
    window->setWindowTitle(QStringLiteral("Brivo : Linker"));
    auto *layout = new QVBoxLayout;
    auto *field = new QTextEdit;
    field->setPlainText(text);
    auto *saveButton = new QPushButton(QStringLiteral("Save"));
    saveButton->setFixedSize(40, 40);
    layout->addWidget(field);
    layout->addWidget(saveButton);
    window->setLayout(layout);
    field->setObjectName(QStringLiteral("linkerField"));
    brivo::describeControls(window, "What the C and C++ builds link with",
                            {{"linkerField", "Linker options"}});

    linkWin = window;
    linkEdit = field;
    m_linkWindows.append(window);
    m_linkFormats.insert(window, format);
    window->show();
    // "Save" stores the text of the window it belongs to, also when a newer one was opened meanwhile.
    connect(saveButton, &QPushButton::clicked, this, [this, window, field] {
        linkWin = window;
        linkEdit = field;
        savelink();
    });
}

void ide::savelink()
{
    if (!linkWin || !linkEdit)
        return;
    const QString path = brivo::mapToolRootPath(QLatin1String(kLinkFile));
    QString error;
    if (!brivo::writeTextFile(path,
                              brivo::documentText(linkEdit->document(), brivo::LineSeparators::AsLineBreaks),
                              &m_linkFormats[linkWin], &error)) {
        // The window stays open with its text, so nothing typed is lost.
        brivo::showErrorBox(this, QStringLiteral("Could not save %1:\n%2").arg(path, error));
        return;
    }
    linkWin->close();
}

// ---- About, help and home -----------------------------------------------------------------------------

void ide::on_actionIDE_triggered()
{
    QMessageBox::about(
        this, QStringLiteral("About IDE"),
        QStringLiteral("Brivo IDE is a advanced version of IDE Quellix.Which aims to compile wide "
                       "range of programing languages so it can be handy."));
}

void ide::on_actionME_triggered()
{
    QMessageBox::about(this, QStringLiteral("About Me"),
                       QStringLiteral("Author : K.VARDEN <br/> <br/> Contact Me : ") +
                           QLatin1String(brivo::contact::authorMail) + QStringLiteral(" , ") +
                           QLatin1String(brivo::contact::supportMail) + QStringLiteral(" "));
}

void ide::on_actionVeriosn_triggered()
{
    QMessageBox::about(this, QStringLiteral("Brivo "), QStringLiteral("Version : 1.0"));
}

void ide::on_actionBrivo_2_triggered()
{
    QMessageBox::about(this, QStringLiteral("About Brivo"), QStringLiteral("To Do"));
}

void ide::on_actionCopile_triggered()
{
    QMessageBox::information(this, QStringLiteral("Help"),
                             QStringLiteral("Enter the source in the text and go to Run menu and trigger the "
                                            "language that is suitable."));
}

void ide::on_actionHome_triggered()
{
    brivo::goHome();
}
