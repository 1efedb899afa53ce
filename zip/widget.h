// The archive tool: packs the files chosen in a file-system tree into an archive, extracts archives next
// to themselves, shows and tests what an archive holds, by running the 7z archiver.
#pragma once

#include "brivo_core_export.h"

#include "zip/archivecontents.h"
#include "zip/archivejob.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QListView;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QStringListModel;
class QTextCharFormat;
class QTextCursor;
class QTimer;
class QShowEvent;
class QSplitter;
class QTextEdit;
class QToolButton;
class QTreeView;

class BRIVO_CORE_EXPORT Widget : public QWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    QTreeView *fileTree = nullptr;
    QFileSystemModel *fsModel = nullptr;
    QStringListModel *listModel = nullptr; // always a copy of `files`
    QListView *listView = nullptr;
    QStringList files; // paths to pack or archives to extract, in the order chosen; duplicates allowed
    QTextEdit *output = nullptr;
    QCheckBox *passwordBox = nullptr;
    QLineEdit *passwordEdit = nullptr;
    QString password; // the password of the current run; empty between runs

    // True while the archiver runs for packing, extracting or testing.
    bool isBusy() const { return m_busy; }
    // The 7z of the running job; 0 when none runs.
    qint64 archiverProcessId() const;

public slots:
    void addtoleft(const QModelIndex &index);
    void zip();
    void dele();
    void unzip();
    void setf(const QString &path);
    void dela();
    void shdata(const QModelIndex &index);
    void togg();
    void homeshow();

    // Tests every listed archive.
    void test();
    // Extracts the entries selected in the contents table.
    void extractSelected();
    // Extracts every listed archive into a folder the user picks.
    void extractTo();
    // Adds files the user picks to the archive whose contents are shown.
    void addFiles();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void refreshList();
    bool passwordIsMissing();
    void setBusy(bool busy);
    void showProgress(const brivo::zip::ArchiverProgress &progress);
    // An extraction that asks this window's user before it replaces a file that differs.
    brivo::zip::ArchiveJob *extractJob(const QString &archive, const QString &password,
                                       const QStringList &entries = {}, const QString &destination = {});

    // One job for each listed archive, made by `makeJob` from the archive and the password.
    void startForEachArchive(
        const std::function<brivo::zip::ArchiveJob *(const QString &, const QString &)> &makeJob);
    // Runs `jobs` one after another; the window is busy until the last one ends.
    void startJobs(const QList<brivo::zip::ArchiveJob *> &jobs);
    void startNextJob();
    void jobFinished(brivo::zip::ArchiveJob *job, brivo::zip::ArchiveJob::Result result);
    void cancelJobs();
    // Ends every job before returning (the application is quitting).
    void endJobsNow();

    // Opens the file tree at `folder`, scrolled to it once its parent is read.
    void showInFileTree(const QString &folder);

    // Extracts the entry at `index` alone into a private folder and opens it in the tool for its type.
    void openEntry(const QModelIndex &index);
    // The password of the archive shown, asked for when the field holds none; nothing when the user
    // gave none.
    std::optional<QString> archivePassword();

    // Whether files can be added to the archive whose contents are shown: a .7z, .zip or .tar, read.
    bool canAddToShownArchive() const;
    // Adds `paths` to the archive whose contents are shown, into its folder `folder` (its top when
    // empty), once the user has said yes (and given the password of an encrypted one).
    void addToArchive(const QStringList &paths, const QString &folder = {});

    // Reads `archive` with `password`, or with the password field's when none is given.
    void showContentsOf(const QString &archive, const QString &password = {});
    void contentsReady(const brivo::zip::ContentsResult &result, bool passwordGiven);
    void updateActions();

    // A cursor on a new last paragraph of the pane (the first one when the pane is empty).
    QTextCursor startPaneBlock(const QTextCharFormat &format);
    void appendLines(const QStringList &lines, const QTextCharFormat &format);
    void appendOutput(const QStringList &lines);
    void appendErrors(const QStringList &lines);
    void appendHtml(const QString &html);
    // Scrolls the pane to its last line, once what was just added is laid out.
    void followOutput();
    // One line in the verdict list for an archive of the run.
    void addVerdict(const QString &archive, brivo::zip::Verdict verdict);

    QPointer<brivo::zip::ArchiveJob> m_job;
    QList<brivo::zip::ArchiveJob *> m_pendingJobs;
    bool m_clearBeforeOutput = false;
    bool m_busy = false;

    QPushButton *m_zipButton = nullptr;
    QPushButton *m_unzipButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_deleteAllButton = nullptr;
    QPushButton *m_extractToButton = nullptr;
    QWidget *m_progressRow = nullptr;
    QTimer *m_progressDelay = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_progressLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;

    brivo::zip::ArchiveContents *m_contents = nullptr;
    QLabel *m_contentsStatus = nullptr;
    QTreeView *m_contentsView = nullptr;
    QCheckBox *m_flatBox = nullptr;
    QToolButton *m_showPassword = nullptr;
    QListWidget *m_verdicts = nullptr;
    QSplitter *m_splitter = nullptr;
    int m_outputHeight = 0; // the height the user gave the output pane
    bool m_shownBefore = false;
    QString m_fileTreeTarget; // the folder the file tree is being opened at
    bool m_fileTreePlaced = false;
    QPushButton *m_extractSelectedButton = nullptr;
    QPushButton *m_testButton = nullptr;
    QPushButton *m_addButton = nullptr;
    bool m_contentsRead = false;  // the archive shown was listed without a fault (it may hold nothing)
    bool m_followPending = false; // the pane is to be scrolled to its last line from the event loop
    std::pair<QString, QString> m_rereadAfterRun; // an archive whose contents changed, and its password
};
