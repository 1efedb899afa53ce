#include "zip/widget.h"

#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "zip/archivelisting.h"
#include "zip/sevenzipcommand.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

using brivo::zip::ArchiverProgress;
using brivo::zip::ArchiverRun;

namespace {

const QString errorTitle = QStringLiteral("Error");
const QString emptyPasswordText = QStringLiteral(
    "Password checked.But Empty password recieved enter password in textbox or Un check password");

// Problems named one by one in the pane before the rest are only counted.
constexpr int problemsShown = 20;

QTextCharFormat errorFormat()
{
    QTextCharFormat format;
    format.setForeground(QColor(170, 0, 0));
    return format;
}

QString missingArchiverText(const QString &reason)
{
    const QString program = QString::fromLatin1(brivo::zip::sevenZipProgram);
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        return QStringLiteral("The archiver \"%1\" was not found on the search path. Install 7-Zip "
                              "(on Debian and Ubuntu the package p7zip-full) and try again.")
            .arg(program);
    }
    return QStringLiteral("The archiver \"%1\" could not be started: %2").arg(program, reason);
}

QPushButton *makeButton(const QString &text)
{
    auto *button = new QPushButton(text);
    button->setMinimumSize(100, 30);
    return button;
}

// A row of the window that keeps its height when the window grows.
QWidget *fixedHeightRow(QLayout *layout)
{
    auto *row = new QWidget;
    row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    row->setLayout(layout);
    return row;
}

} // namespace

Widget::Widget(QWidget *parent) : QWidget(parent)
{
    fileTree = new QTreeView;
    listView = new QListView;
    listModel = new QStringListModel(this);
    passwordEdit = new QLineEdit;
    passwordEdit->hide();
    passwordBox = new QCheckBox(QStringLiteral("Password"));
    password = QString();
    connect(passwordBox, &QCheckBox::clicked, this, &Widget::togg);

    listModel->setStringList(files);
    listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView->setModel(listModel);
    connect(listView, &QListView::doubleClicked, this, &Widget::shdata);

    fsModel = new QFileSystemModel(this);
    fsModel->setRootPath(QDir::rootPath());
    fileTree->setModel(fsModel);
    connect(fileTree, &QTreeView::doubleClicked, this, &Widget::addtoleft);

    m_deleteButton = makeButton(QStringLiteral("Delete"));
    m_zipButton = makeButton(QStringLiteral("Zip"));
    m_unzipButton = makeButton(QStringLiteral("Un Zip"));
    m_deleteAllButton = makeButton(QStringLiteral("Delete All"));
    connect(m_deleteButton, &QPushButton::clicked, this, &Widget::dele);
    connect(m_zipButton, &QPushButton::clicked, this, &Widget::zip);
    connect(m_unzipButton, &QPushButton::clicked, this, &Widget::unzip);
    connect(m_deleteAllButton, &QPushButton::clicked, this, &Widget::dela);

    auto *homeButton = new QPushButton;
    homeButton->setIcon(brivo::homeIconImage());
    connect(homeButton, &QPushButton::clicked, this, &Widget::homeshow);

    auto *buttonLayout = new QHBoxLayout;
    buttonLayout->addWidget(homeButton);
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_zipButton);
    buttonLayout->addWidget(m_unzipButton);
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_deleteButton);
    buttonLayout->addWidget(m_deleteAllButton);

    auto *passwordLayout = new QHBoxLayout;
    passwordLayout->addWidget(passwordBox);
    passwordLayout->addWidget(passwordEdit);
    passwordLayout->addStretch();

    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(fixedHeightRow(buttonLayout));
    rightColumn->addWidget(listView);
    rightColumn->addWidget(fixedHeightRow(passwordLayout));

    auto *upperPart = new QHBoxLayout;
    upperPart->addWidget(fileTree);
    upperPart->addLayout(rightColumn);

    output = new QTextEdit;
    output->setMaximumHeight(90);

    // Shown only while the archiver runs: how far it is, the file it works on, and a way to stop it.
    m_progressBar = new QProgressBar;
    m_progressBar->setRange(0, 100);
    m_progressLabel = new QLabel;
    m_progressLabel->setObjectName(QStringLiteral("progressFile"));
    m_progressLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progressLabel->setTextFormat(Qt::PlainText);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    auto *progressLayout = new QHBoxLayout;
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(m_progressBar, 1);
    progressLayout->addWidget(m_progressLabel, 2);
    progressLayout->addWidget(m_cancelButton);
    m_progressRow = fixedHeightRow(progressLayout);
    m_progressRow->hide();

    auto *windowLayout = new QVBoxLayout;
    windowLayout->addLayout(upperPart);
    windowLayout->addWidget(m_progressRow);
    windowLayout->addWidget(output);
    setLayout(windowLayout);

    setMinimumSize(10, 10);
    setAcceptDrops(true);
    setWindowTitle(brivo::toolTitle(brivo::Tool::Archive));

    m_run = new ArchiverRun(this);
    connect(m_cancelButton, &QPushButton::clicked, m_run, &ArchiverRun::cancel);
    connect(m_run, &ArchiverRun::progress, this, &Widget::showProgress);
    connect(m_run, &ArchiverRun::outputLines, this, [this](const QStringList &lines) {
        if (m_sink == Sink::Listing)
            m_listingLines += lines;
        else
            appendOutput(lines);
    });
    connect(m_run, &ArchiverRun::errorLines, this, [this](const QStringList &lines) {
        if (m_sink == Sink::Listing)
            m_listingErrors += lines;
        else
            appendErrors(lines);
    });
}

Widget::~Widget() = default;

void Widget::addtoleft(const QModelIndex &index)
{
    files.append(fsModel->fileInfo(index).absoluteFilePath());
    refreshList();
}

void Widget::zip()
{
    if (m_busy)
        return;
    output->setText(QString());
    if (listModel->rowCount() == 0) {
        QMessageBox::warning(this, errorTitle, QStringLiteral("No file's to zip"), QMessageBox::Ok);
        return;
    }
    if (passwordIsMissing())
        return;

    const QString archive = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save"), QString(), tr("7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar)"));
    if (archive.isEmpty())
        return;

    QStringList entries;
    for (int row = 0; row < listModel->rowCount(); ++row) {
        const QString entry = files.at(row);
        entries.append(entry);
        output->append(QStringLiteral("Processing...<b>") + entry.toHtmlEscaped() +
                       QStringLiteral("</b><br/>"));
    }
    const QString usedPassword = passwordBox->isChecked() ? password : QString();

    setBusy(true);
    // The list of what is being packed stays until the archiver has something to say.
    m_clearBeforeOutput = true;
    runIntoPane(brivo::zip::packArguments(archive, usedPassword, entries));
    setBusy(false);
    password = QString();
}

void Widget::dele()
{
    const int row = listView->currentIndex().row();
    if (row >= 0 && row < files.size())
        files.removeAt(row);
    refreshList();
}

void Widget::unzip()
{
    if (m_busy)
        return;
    if (passwordIsMissing())
        return;

    // The list may grow while the archiver runs (drops and the tree stay open); this run extracts what
    // was listed when it started.
    const QStringList archives = files.mid(0, listModel->rowCount());
    if (!archives.isEmpty()) {
        output->setText(QString());
        setBusy(true);
    }
    for (const QString &archive : archives) {
        const QString folder = brivo::zip::extractionFolder(archive);
        bool stop = false;
        if (!archiveIsSafe(archive, folder, &stop)) {
            if (stop)
                break;
            continue;
        }
        const ArchiverRun::Outcome outcome =
            runIntoPane(brivo::zip::extractArguments(archive, password, folder));
        if (outcome == ArchiverRun::Outcome::FailedToStart || outcome == ArchiverRun::Outcome::Cancelled)
            break;
    }
    if (!archives.isEmpty())
        setBusy(false);
    password = QString();
}

void Widget::setf(const QString &path)
{
    files.append(path);
    refreshList();
}

void Widget::dela()
{
    files.clear();
    refreshList();
}

void Widget::shdata(const QModelIndex &) {}

void Widget::togg()
{
    passwordEdit->clear();
    // The field's own state, so that the box and the field stay in step even while the window is hidden.
    if (!passwordEdit->isHidden()) {
        passwordEdit->hide();
        password = QString();
    } else {
        passwordEdit->show();
    }
}

void Widget::homeshow()
{
    brivo::goHome();
}

void Widget::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void Widget::dropEvent(QDropEvent *event)
{
    // Only a local file or folder can be packed or extracted; anything else is not added at all.
    QString path;
    if (!brivo::firstDroppedPath(event, &path) || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    files.append(path);
    refreshList();
}

void Widget::refreshList()
{
    listModel->setStringList(files);
}

bool Widget::passwordIsMissing()
{
    if (!passwordBox->isChecked())
        return false;
    password = passwordEdit->text();
    if (!password.isEmpty())
        return false;
    QMessageBox::warning(this, errorTitle, emptyPasswordText, QMessageBox::Ok);
    return true;
}

void Widget::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *control :
         {static_cast<QWidget *>(m_zipButton), static_cast<QWidget *>(m_unzipButton),
          static_cast<QWidget *>(m_deleteButton), static_cast<QWidget *>(m_deleteAllButton),
          static_cast<QWidget *>(passwordBox), static_cast<QWidget *>(passwordEdit)}) {
        control->setEnabled(!busy);
    }
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressLabel->clear();
    m_progressRow->setVisible(busy);
}

void Widget::showProgress(const ArchiverProgress &progress)
{
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(progress.percent);
    if (!progress.file.isEmpty())
        m_progressLabel->setText(progress.file);
}

ArchiverRun::Outcome Widget::runIntoPane(const QStringList &arguments)
{
    m_sink = Sink::Pane;
    const ArchiverRun::Outcome outcome =
        m_run->run(QString::fromLatin1(brivo::zip::sevenZipProgram), arguments);
    reportOutcome(outcome);
    m_clearBeforeOutput = false;
    return outcome;
}

bool Widget::archiveIsSafe(const QString &archive, const QString &folder, bool *stop)
{
    // 7z's own listing says what the archive would create, before anything is written.
    m_sink = Sink::Listing;
    m_listingLines.clear();
    m_listingErrors.clear();
    m_progressBar->setRange(0, 0);
    m_progressLabel->setText(QStringLiteral("Checking ") + QFileInfo(archive).fileName());
    const ArchiverRun::Outcome outcome = m_run->run(QString::fromLatin1(brivo::zip::sevenZipProgram),
                                                    brivo::zip::listArguments(archive, password));
    m_sink = Sink::Pane;
    m_progressBar->setRange(0, 100);
    m_progressLabel->clear();

    if (outcome == ArchiverRun::Outcome::FailedToStart || outcome == ArchiverRun::Outcome::Cancelled) {
        reportOutcome(outcome);
        *stop = true;
        return false;
    }
    if (outcome == ArchiverRun::Outcome::Crashed || m_run->exitCode() != 0) {
        // An archive that cannot be listed cannot be extracted either; say why, in 7z's words.
        appendOutput(m_listingLines);
        appendErrors(m_listingErrors);
        reportOutcome(outcome);
        return false;
    }

    const QStringList problems =
        brivo::zip::extractionProblems(brivo::zip::parseListing(m_listingLines), folder);
    m_listingLines.clear();
    if (problems.isEmpty())
        return true;

    QStringList text = {QStringLiteral("Not extracted: %1 would write outside %2").arg(archive, folder)};
    for (qsizetype i = 0; i < problems.size() && i < problemsShown; ++i)
        text << QStringLiteral("  ") + problems.at(i);
    if (problems.size() > problemsShown)
        text << QStringLiteral("  ... and %1 more").arg(problems.size() - problemsShown);
    appendErrors(text);
    return false;
}

void Widget::reportOutcome(ArchiverRun::Outcome outcome)
{
    switch (outcome) {
    case ArchiverRun::Outcome::FailedToStart:
        appendErrors({missingArchiverText(m_run->errorString())});
        return;
    case ArchiverRun::Outcome::Cancelled:
        appendErrors({QStringLiteral("Cancelled.")});
        break;
    case ArchiverRun::Outcome::Crashed:
    case ArchiverRun::Outcome::Finished:
        break;
    }
    appendHtml(QStringLiteral("Exit Code : %1<br/>Exit Status : %2")
                   .arg(m_run->exitCode())
                   .arg(static_cast<int>(m_run->exitStatus())));
}

QTextCursor Widget::startPaneBlock(const QTextCharFormat &format)
{
    if (m_clearBeforeOutput) {
        output->clear();
        m_clearBeforeOutput = false;
    }
    QTextCursor cursor(output->document());
    cursor.movePosition(QTextCursor::End);
    if (!output->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), format);
    return cursor;
}

void Widget::appendLines(const QStringList &lines, const QTextCharFormat &format)
{
    for (const QString &line : lines)
        startPaneBlock(format).insertText(line, format);
    // Follow the output as it arrives.
    output->verticalScrollBar()->setValue(output->verticalScrollBar()->maximum());
}

void Widget::appendOutput(const QStringList &lines)
{
    appendLines(lines, QTextCharFormat());
}

void Widget::appendErrors(const QStringList &lines)
{
    appendLines(lines, errorFormat());
}

void Widget::appendHtml(const QString &html)
{
    startPaneBlock(QTextCharFormat()).insertHtml(html);
    output->verticalScrollBar()->setValue(output->verticalScrollBar()->maximum());
}
