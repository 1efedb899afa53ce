// The archive tool: packs the files chosen in a file-system tree into an archive, and extracts archives
// next to themselves, by running the 7z archiver.
#pragma once

#include "zip/archiverrun.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QStringListModel;
class QTextCharFormat;
class QTextCursor;
class QTextEdit;
class QTreeView;

class Widget : public QWidget
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

    // True while the archiver runs.
    bool isBusy() const { return m_busy; }

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

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class Sink
    {
        Pane,
        Listing
    };

    void refreshList();
    bool passwordIsMissing();
    void setBusy(bool busy);
    void showProgress(const brivo::zip::ArchiverProgress &progress);

    // Runs 7z with its output shown in the pane, followed by its exit code and status.
    brivo::zip::ArchiverRun::Outcome runIntoPane(const QStringList &arguments);
    // Lists `archive` and checks that extracting it stays inside `folder`; false (said in the pane) when
    // it cannot be extracted, and `stop` set when no further archive should be tried either.
    bool archiveIsSafe(const QString &archive, const QString &folder, bool *stop);
    void reportOutcome(brivo::zip::ArchiverRun::Outcome outcome);

    // A cursor on a new last paragraph of the pane (the first one when the pane is empty).
    QTextCursor startPaneBlock(const QTextCharFormat &format);
    void appendLines(const QStringList &lines, const QTextCharFormat &format);
    void appendOutput(const QStringList &lines);
    void appendErrors(const QStringList &lines);
    void appendHtml(const QString &html);

    brivo::zip::ArchiverRun *m_run = nullptr;
    Sink m_sink = Sink::Pane;
    QStringList m_listingLines;
    QStringList m_listingErrors;
    bool m_clearBeforeOutput = false;
    bool m_busy = false;

    QPushButton *m_zipButton = nullptr;
    QPushButton *m_unzipButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_deleteAllButton = nullptr;
    QWidget *m_progressRow = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_progressLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
