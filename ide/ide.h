// The code editor: one plain-text editing area whose text the Build menu hands to a language's toolchain.
#pragma once

#include "brivo_core_export.h"

#include "common/recoverystore.h"
#include "common/textfile.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <optional>

class QCheckBox;
class QCloseEvent;
class QDockWidget;
class QLabel;
class QTextEdit;
class RunOutputPane;
class ToolchainSetupDialog;

namespace Ui {
class ide;
}

namespace brivo {
class DocumentLoader;
class DocumentRecovery;
class EditorTools;
enum class Language;
} // namespace brivo

class BRIVO_CORE_EXPORT ide : public QMainWindow
{
    Q_OBJECT
public:
    explicit ide(QWidget *parent = nullptr);
    ~ide() override;

    // Loads the file at `path` and makes it the current file. A path with nothing at it gives an empty
    // document under that name; a file that cannot be read is reported and leaves the window as it was. Large
    // files are read in the background: the window shows "Opening : " until the text is in.
    void openFile(const QString &path);
    // True while a large file is being read in the background.
    bool isLoading() const;

    // Shows the text of a recovery copy as the document it was: under its file name (none for a new
    // document) and marked as changed, so that Save writes it where it belongs.
    void restoreCopy(const brivo::RecoveryCopy &copy);

    // The recovery copies of this window's text.
    brivo::DocumentRecovery *recovery() const { return m_recovery; }
    // Find and replace, go to line, zoom, the Recent menu and the cursor's place in the status bar.
    brivo::EditorTools *tools() const { return m_tools; }
    // How the code editor names itself in its recovery copies.
    static constexpr char recoveryTool[] = "ide";

    // Puts up the status message of a run of `language` at the current time.
    void lastCompiled(const QString &language);

    // Path of the current file: null before anything was opened, empty after New.
    QString fileName;
    // The Java source file name remembered for later runs; empty when none is.
    QString javaClassName;
    // The class-name dialog in use (the newest one, or the one whose "Run" was pressed last): its
    // remember box, its text field (classEdit) and its window (javaWin).
    QPointer<QCheckBox> rememberBox;
    // The label shown in the status bar.
    QLabel *statusLabel = nullptr;
    QPointer<QTextEdit> classEdit;
    // The linker window in use (the newest one, or the one whose "Save" was pressed last): its text field
    // and its window (linkWin).
    QPointer<QTextEdit> linkEdit;
    QPointer<QWidget> javaWin;
    QPointer<QWidget> linkWin;

private:
    Ui::ide *ui;

public slots:
    void idejava();
    void on_actionNew_triggered();
    void on_actionOpen_triggered();
    void on_actionSave_triggered();
    void on_actionSave_As_triggered();
    void on_actionPrint_triggered();
    void on_actionExit_triggered();
    void on_actionUndo_triggered();
    void on_actionRedo_triggered();
    void on_actionCut_triggered();
    void on_actionCopy_triggered();
    void on_actionPaste_triggered();
    void on_actionDelete_triggered();
    void on_actionSearch_triggered();
    void on_actionC_triggered();
    void on_actionJava_triggered();
    void on_actionPython_triggered();
    void on_actionPerl_triggered();
    void on_actionRuby_triggered();
    void on_actionLisp_triggered();
    void on_actionBatch_triggered();
    void on_actionHtml_triggered();
    void on_actionGo_triggered();
    void on_actionAssembly_triggered();
    void on_actionLua_triggered();
    void on_actionC_C_Linker_triggered();
    void savelink();
    void on_actionIDE_triggered();
    void ch();
    void on_actionBrivo_2_triggered();
    void on_actionCopile_triggered();
    void on_actionClear_Java_CLass_Name_triggered();
    void on_actionVeriosn_triggered();
    void on_actionME_triggered();
    void on_actionPrint_Ad_Pdf_triggered();
    void on_actionHome_triggered();

public:
    // The pane that shows the runs' output; created hidden, shown by the first run.
    RunOutputPane *outputPane() const { return m_output; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setStatus(const QString &text, const char *styleSheet = nullptr);
    // The text now equals its file (or the new empty text): the status to go back to on Undo.
    void markSaved();
    // Undo led back to that text: the changed marker goes.
    void backToSaved();
    QString editorText() const;
    // Reads the file at `path`, or the text of `copy` when one is given, into the text area.
    void load(const QString &path, const brivo::RecoveryCopy *copy = nullptr,
              const brivo::TextEncoding *as = nullptr);
    // The loader's answers: the text area shows the loaded text, or nothing could be loaded.
    void finishLoad(const brivo::TextFormat &format);
    void failLoad(const QString &error);
    // While a file loads, whatever would read or change its text waits.
    void showLoading(bool loading);
    bool writeDocument(const QString &path, brivo::TextFormat *format);
    // Asks whether modified text is to be saved; false when the user cancels or the save does not happen.
    bool mayDiscardText();
    bool saveDocument();
    bool checkToolchain(brivo::Language language);
    bool writeToolchainFile(const QString &path, const QString &text);
    void runLanguage(brivo::Language language);
    // File > Reopen with Encoding and Save with Encoding.
    void reopenAs(brivo::TextEncoding encoding);
    void saveAs(brivo::TextEncoding encoding);
    // Runs the Build entry of the current file's language, told by its extension.
    void runByExtension();
    void runCommand(brivo::Language language);
    void showRunning(bool running);
    // The start-up warning without toolchains, with its "Set up" button.
    void offerToolchainSetup();
    // Opens the toolchain set-up dialog of this window, or brings it to the front.
    void showToolchainSetup();
    void forgetHiddenWindows(QList<QPointer<QWidget>> *windows);
    // Shows the place a run's message names: here when it is the file the run wrote or the one being
    // edited, in a new code editor for any other file that exists.
    void showOutputLocation(const QString &file, int line, int column);

    QDockWidget *m_outputDock = nullptr;
    RunOutputPane *m_output = nullptr;
    brivo::DocumentRecovery *m_recovery = nullptr;
    brivo::EditorTools *m_tools = nullptr;
    brivo::DocumentLoader *m_loader = nullptr;
    // The file being loaded, and the recovery copy when it is one.
    QString m_loadPath;
    std::optional<brivo::RecoveryCopy> m_restoring;
    // The status shown before a load (text, style), put back when it fails.
    QStringList m_statusBeforeLoad;
    // The status shown when the text was last opened, saved or made new (text, style); empty when no undo
    // leads back to a text that equals its file.
    QStringList m_cleanStatus;
    // How the current file is stored, so that saving writes it back the same way.
    brivo::TextFormat m_format;
    // How the linker settings file was stored when each linker window read it.
    QHash<const QWidget *, brivo::TextFormat> m_linkFormats;
    // The class-name dialogs and linker windows built so far and not yet freed.
    QList<QPointer<QWidget>> m_javaWindows;
    QList<QPointer<QWidget>> m_linkWindows;
    QPointer<ToolchainSetupDialog> m_setupDialog;
    // The source file the last run wrote, under the tool root.
    QString m_runSource;
};
