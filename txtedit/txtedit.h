// The notepad: one text area under a File, Edit, About and Brivo menu bar, and a status line whose one
// coloured label shows the text as changed since it was last opened or saved (red).
#pragma once

#include "brivo_core_export.h"

#include "common/recoverystore.h"
#include "common/textfile.h"

#include <QMainWindow>
#include <QString>

#include <optional>

class QCloseEvent;
class QLabel;
class QWidget;

namespace brivo {
class DocumentLoader;
class DocumentRecovery;
class EditorTools;
} // namespace brivo

namespace Ui {
class txtedit;
}

class BRIVO_CORE_EXPORT txtedit : public QMainWindow
{
    Q_OBJECT
public:
    explicit txtedit(QWidget *parent = nullptr);
    ~txtedit() override;

    // Loads the file at `path` and makes it the current file. A path with nothing at it gives an empty
    // document under that name, which saving creates; a file that cannot be read is reported and leaves
    // the window as it was. Large files are read in the background: the window shows "Opening : " and
    // keeps the text area read-only until the text is in.
    void openFile(const QString &path);

    // Shows the text of a recovery copy as the document it was: under its file name (none for a new
    // document) and marked as changed, so that Save writes it where it belongs. Read in the background when
    // large, as openFile() does.
    void restoreCopy(const brivo::RecoveryCopy &copy);

    // True while a large file is being read in the background.
    bool isLoading() const;

    // The recovery copies of this window's text.
    brivo::DocumentRecovery *recovery() const { return m_recovery; }
    // Find and replace, go to line, zoom, the Recent menu and the cursor's place in the status bar.
    brivo::EditorTools *tools() const { return m_tools; }
    // How the notepad names itself in its recovery copies.
    static constexpr char recoveryTool[] = "notepad";

    // The current file: null in a new window, empty after New.
    QString fileName;
    // The one label in the status bar; every status message replaces it.
    QLabel *statusLabel = nullptr;
    Ui::txtedit *ui = nullptr;

public slots:
    void on_actionRedo_triggered();
    void on_actionUndo_triggered();
    void on_actionCut_triggered();
    void on_actionPaste_triggered();
    void on_actionCopy_triggered();
    void on_actionExit_triggered();
    void on_actionSave_As_triggered();
    void on_actionSave_triggered();
    void on_actionOpen_triggered();
    void on_actionNew_triggered();
    void te();
    void on_actionTextEdit_triggered();
    void on_actionMe_triggered();
    void on_actionPrint_triggered();
    void on_actionPrint_As_Pdf_triggered();
    void closeEvent(QCloseEvent *event) override;
    void on_actionHome_triggered();

private:
    // The window's state before a load, put back when the file cannot be read.
    struct BeforeLoad
    {
        QString fileName;
        QString statusText;
        QString statusStyle;
    };

    void showStatus(const QString &text, const char *styleSheet);
    // The text differs from its file: the document's own flag.
    bool isModified() const;
    // The status line shows the red changed marker.
    bool showsChanged() const;
    // The text now equals its file: the status to go back to on Undo.
    void markSaved();
    // Undo led back to that text: the changed marker goes.
    void backToSaved();
    // Asks whether to save the changed text before it would be lost; true when it may go.
    bool changesMayGo(QWidget *questionParent);
    // Saves to the current file, asking for a name when there is none; true when the text was written.
    bool save();
    bool writeDocument(const QString &path, brivo::TextFormat *format);
    // Reads the file at `path`, or the text of `copy` when one is given, into the text area.
    void load(const QString &path, const brivo::RecoveryCopy *copy = nullptr,
              const brivo::TextEncoding *as = nullptr);
    // File > Reopen with Encoding and Save with Encoding.
    void reopenAs(brivo::TextEncoding encoding);
    void saveAs(brivo::TextEncoding encoding);
    // The loader's answers: the text area shows the loaded text, or nothing could be loaded.
    void finishLoad(const brivo::TextFormat &format);
    void failLoad(const QString &error);
    // Drops a background load under way and puts back the file name and status it replaced.
    void abandonLoad();
    void restoreStatusBeforeLoad();
    void setLoading(bool loading);

    brivo::DocumentRecovery *m_recovery = nullptr;
    brivo::EditorTools *m_tools = nullptr;
    brivo::TextFormat m_format;
    BeforeLoad m_beforeLoad;
    brivo::DocumentLoader *m_loader = nullptr;
    // The recovery copy being loaded, when it is one.
    std::optional<brivo::RecoveryCopy> m_restoring;
    // The status shown when the text was last opened or saved (text, style); empty when no undo leads
    // back to a text that equals its file.
    QStringList m_cleanStatus;
};
