#include "zip/widget.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/filestamp.h"
#include "common/homeactions.h"
#include "common/statefolder.h"
#include "common/tooltable.h"
#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"
#include "zip/extractjob.h"
#include "zip/openedentries.h"
#include "zip/packjob.h"
#include "zip/replacequestion.h"
#include "zip/sevenzipcommand.h"
#include "zip/sevenziplocator.h"
#include "zip/testjob.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSplitter>
#include <QStringListModel>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

using brivo::zip::ArchiveJob;
using brivo::zip::ArchiverProgress;
using brivo::zip::escapedForDisplay;

namespace {

const QString errorTitle = QStringLiteral("Error");
// Where the window keeps the height the user gave its output pane.
const QString windowStateFile = QStringLiteral("archive-window.json");
const QString outputHeightKey = QStringLiteral("outputHeight");
constexpr int defaultOutputHeight = 150;
const QString emptyPasswordText = QStringLiteral(
    "Password checked.But Empty password recieved enter password in textbox or Un check password");

QTextCharFormat errorFormat()
{
    QTextCharFormat format;
    format.setForeground(QColor(170, 0, 0));
    return format;
}

QString shown(const QString &path)
{
    return QLatin1Char('"') + escapedForDisplay(path) + QLatin1Char('"');
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

// An eye, for the button that shows the password: drawn, as icon themes name it in different ways.
QIcon eyeIcon(const QColor &color)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.5));
    QPainterPath outline(QPointF(3, 16));
    outline.quadTo(16, 2, 29, 16);
    outline.quadTo(16, 30, 3, 16);
    painter.drawPath(outline);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(16, 16), 4.5, 4.5);
    return QIcon(pixmap);
}

// Widths of columns that hold a date or a size as the desktop writes them.
int sizeColumnWidth(const QFontMetrics &metrics)
{
    return metrics.horizontalAdvance(QLocale().formattedDataSize(999'900'000'000)) + 16;
}

int dateColumnWidth(const QFontMetrics &metrics)
{
    return metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 12;
}

} // namespace

Widget::Widget(QWidget *parent) : QWidget(parent)
{
    fileTree = new QTreeView;
    fileTree->setObjectName(QStringLiteral("fileTree"));
    listView = new QListView;
    listView->setObjectName(QStringLiteral("archiveList"));
    listModel = new QStringListModel(this);
    passwordEdit = new QLineEdit;
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    // Dots, as every password field: anyone looking at the screen would read it otherwise.
    passwordEdit->setEchoMode(QLineEdit::Password);
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
    // The names take the room; size, type and date make do with less, elided.
    const QFontMetrics treeMetrics(fileTree->font());
    QHeaderView *treeColumns = fileTree->header();
    treeColumns->setStretchLastSection(false);
    treeColumns->setSectionResizeMode(QHeaderView::Interactive);
    treeColumns->setSectionResizeMode(0, QHeaderView::Stretch);
    treeColumns->setMinimumSectionSize(treeMetrics.horizontalAdvance(QStringLiteral("Size")) + 16);
    treeColumns->resizeSection(1, treeMetrics.horizontalAdvance(QStringLiteral("999.99 KiB")) + 12);
    treeColumns->resizeSection(2, treeMetrics.horizontalAdvance(QStringLiteral("Folder")) + 16);
    treeColumns->resizeSection(3, treeMetrics.horizontalAdvance(QStringLiteral("00 Mmm 0000")) + 12);
    // Room for names of some twenty characters beside the other columns.
    fileTree->setMinimumWidth(treeMetrics.horizontalAdvance(QString(20, QLatin1Char('n'))) +
                              treeColumns->length() - treeColumns->sectionSize(0));
    // The tree opens where the user's files are; an archive Brivo is started with moves it to its folder.
    // Folders are read and sorted in the background: the tree scrolls to its folder again as they come in,
    // until the user takes over.
    const auto scrollToTarget = [this] {
        if (!m_fileTreeTarget.isEmpty())
            fileTree->scrollTo(fsModel->index(m_fileTreeTarget), QAbstractItemView::PositionAtTop);
    };
    connect(fsModel, &QFileSystemModel::directoryLoaded, this, scrollToTarget);
    connect(fsModel, &QAbstractItemModel::layoutChanged, this, scrollToTarget);
    connect(fileTree, &QTreeView::pressed, this, [this] { m_fileTreeTarget.clear(); });
    connect(fileTree->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { m_fileTreeTarget.clear(); });
    showInFileTree(QDir::homePath());

    m_deleteButton = makeButton(QStringLiteral("Delete"));
    m_zipButton = makeButton(QStringLiteral("Zip"));
    m_unzipButton = makeButton(QStringLiteral("Un Zip"));
    m_deleteAllButton = makeButton(QStringLiteral("Delete All"));
    connect(m_deleteButton, &QPushButton::clicked, this, &Widget::dele);
    connect(m_zipButton, &QPushButton::clicked, this, &Widget::zip);
    connect(m_unzipButton, &QPushButton::clicked, this, &Widget::unzip);
    connect(m_deleteAllButton, &QPushButton::clicked, this, &Widget::dela);
    // A folder of the user's choice: an archive on a read-only medium is extracted elsewhere.
    m_extractToButton = makeButton(QStringLiteral("Extract To..."));
    m_extractToButton->setToolTip(QStringLiteral("Extract every listed archive into a folder you choose"));
    connect(m_extractToButton, &QPushButton::clicked, this, &Widget::extractTo);

    auto *homeButton = new QPushButton;
    homeButton->setObjectName(QStringLiteral("homeButton"));
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
    buttonLayout->addWidget(m_extractToButton);

    m_showPassword = new QToolButton;
    m_showPassword->setObjectName(QStringLiteral("showPassword"));
    m_showPassword->setCheckable(true);
    m_showPassword->setIcon(eyeIcon(palette().color(QPalette::ButtonText)));
    m_showPassword->setToolTip(QStringLiteral("Show the password"));
    m_showPassword->hide();
    connect(m_showPassword, &QToolButton::toggled, this, [this](bool show) {
        passwordEdit->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
        m_showPassword->setToolTip(show ? QStringLiteral("Hide the password")
                                        : QStringLiteral("Show the password"));
    });
    auto *passwordLayout = new QHBoxLayout;
    passwordLayout->addWidget(passwordBox);
    passwordLayout->addWidget(passwordEdit);
    passwordLayout->addWidget(m_showPassword);
    passwordLayout->addStretch();

    // What the archive selected in the list holds, and what can be done with it.
    m_contents = new brivo::zip::ArchiveContents(this);
    m_contentsStatus = new QLabel;
    m_contentsStatus->setObjectName(QStringLiteral("contentsStatus"));
    m_contentsStatus->setTextFormat(Qt::PlainText);
    m_contentsStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_contentsView = new QTreeView;
    m_contentsView->setObjectName(QStringLiteral("contents"));
    m_contentsView->setModel(m_contents);
    m_contentsView->setToolTip(QStringLiteral("The entries of the archive selected in the list; "
                                              "double-click a file to open it, drop files to add them"));
    m_contentsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_contentsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_contentsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_contentsView->setWordWrap(false);
    // Long names keep both their start and their end in sight.
    m_contentsView->setTextElideMode(Qt::ElideMiddle);
    // Rows of one height and columns of set widths: a hundred thousand entries lay out without measuring
    // each of them.
    m_contentsView->setUniformRowHeights(true);
    const QFontMetrics metrics(m_contentsView->font());
    QHeaderView *columns = m_contentsView->header();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionResizeMode(brivo::zip::ArchiveContents::Name, QHeaderView::Stretch);
    columns->setMinimumSectionSize(metrics.horizontalAdvance(QStringLiteral("Packed")) + 16);
    columns->resizeSection(brivo::zip::ArchiveContents::Size, sizeColumnWidth(metrics));
    columns->resizeSection(brivo::zip::ArchiveContents::PackedSize, sizeColumnWidth(metrics));
    columns->resizeSection(brivo::zip::ArchiveContents::Modified, dateColumnWidth(metrics));
    columns->resizeSection(brivo::zip::ArchiveContents::Encrypted,
                           metrics.horizontalAdvance(QStringLiteral("Encrypted")) + 16);
    // Every path on a line of its own, as 7z lists them, for those who look for one by its path.
    m_flatBox = new QCheckBox(QStringLiteral("Flat list"));
    m_flatBox->setObjectName(QStringLiteral("flatList"));
    m_flatBox->setToolTip(
        QStringLiteral("Show every entry with its whole path instead of the archive's folders"));
    connect(m_flatBox, &QCheckBox::toggled, this, [this](bool flat) {
        m_contents->setFlat(flat);
        m_contentsView->setRootIsDecorated(!flat);
        updateActions();
    });
    m_extractSelectedButton = makeButton(QStringLiteral("Extract Selected"));
    m_extractSelectedButton->setToolTip(
        QStringLiteral("Extract the entries selected in the table into the archive's folder"));
    m_testButton = makeButton(QStringLiteral("Test"));
    m_testButton->setToolTip(QStringLiteral("Check every listed archive for errors, without extracting"));
    connect(m_extractSelectedButton, &QPushButton::clicked, this, &Widget::extractSelected);
    connect(m_testButton, &QPushButton::clicked, this, &Widget::test);
    m_addButton = makeButton(QStringLiteral("Add..."));
    m_addButton->setToolTip(QStringLiteral(
        "Add files to the archive shown (a .7z, .zip or .tar); dropping them on its contents adds "
        "them too"));
    connect(m_addButton, &QPushButton::clicked, this, &Widget::addFiles);
    auto *actionLayout = new QHBoxLayout;
    actionLayout->addWidget(m_extractSelectedButton);
    actionLayout->addWidget(m_testButton);
    actionLayout->addWidget(m_addButton);
    actionLayout->addStretch();
    actionLayout->addWidget(m_flatBox);

    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(fixedHeightRow(buttonLayout));
    // The list and the contents table share the column's height, the table taking the larger part: an
    // archive holds more entries than a list holds archives.
    rightColumn->addWidget(listView, 1);
    rightColumn->addWidget(fixedHeightRow(passwordLayout));
    rightColumn->addWidget(m_contentsStatus);
    rightColumn->addWidget(m_contentsView, 2);
    rightColumn->addWidget(fixedHeightRow(actionLayout));

    auto *upperPart = new QHBoxLayout;
    upperPart->setContentsMargins(0, 0, 0, 0);
    upperPart->addWidget(fileTree, 1);
    upperPart->addLayout(rightColumn, 1);

    output = new QTextEdit;
    output->setMinimumHeight(40);

    // One line for each archive of a run, in words, above 7z's own output.
    m_verdicts = new QListWidget;
    m_verdicts->setObjectName(QStringLiteral("verdicts"));
    m_verdicts->setToolTip(QStringLiteral("How each archive of the last run went"));
    m_verdicts->setUniformItemSizes(true);
    m_verdicts->setTextElideMode(Qt::ElideMiddle);
    m_verdicts->hide();

    // Shown only while the archiver runs: how far it is, the file it works on, and a way to stop it.
    m_progressBar = new QProgressBar;
    m_progressBar->setRange(0, 100);
    m_progressLabel = new QLabel;
    m_progressLabel->setObjectName(QStringLiteral("progressFile"));
    m_progressLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progressLabel->setTextFormat(Qt::PlainText);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    m_cancelButton->setToolTip(QStringLiteral("Stop the archiver; nothing half-done is kept"));
    auto *progressLayout = new QHBoxLayout;
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(m_progressBar, 1);
    progressLayout->addWidget(m_progressLabel, 2);
    progressLayout->addWidget(m_cancelButton);
    m_progressRow = fixedHeightRow(progressLayout);
    m_progressRow->hide();
    m_progressDelay = new QTimer(this);
    m_progressDelay->setSingleShot(true);
    m_progressDelay->setInterval(300);
    connect(m_progressDelay, &QTimer::timeout, m_progressRow, &QWidget::show);

    // The output pane below a splitter: made as tall as a long run needs, and kept so.
    auto *upperWidget = new QWidget;
    upperWidget->setLayout(upperPart);
    auto *lowerLayout = new QVBoxLayout;
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_progressRow);
    lowerLayout->addWidget(m_verdicts);
    lowerLayout->addWidget(output, 1);
    auto *lowerWidget = new QWidget;
    lowerWidget->setLayout(lowerLayout);
    m_splitter = new QSplitter(Qt::Vertical);
    m_splitter->setObjectName(QStringLiteral("outputSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(upperWidget);
    m_splitter->addWidget(lowerWidget);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_outputHeight =
        brivo::readStateObject(windowStateFile).value(outputHeightKey).toInt(defaultOutputHeight);
    connect(m_splitter, &QSplitter::splitterMoved, this,
            [this] { m_outputHeight = m_splitter->sizes().value(1); });

    auto *windowLayout = new QVBoxLayout;
    windowLayout->addWidget(m_splitter);
    setLayout(windowLayout);

    setMinimumSize(10, 10);
    // Room for the tree's names and the contents' columns side by side; a window made to its layout's
    // size would be cut to two thirds of the screen.
    if (const QScreen *shown = screen())
        resize(QSize(1100, 720).boundedTo(shown->availableSize() * 9 / 10));
    setAcceptDrops(true);
    setWindowTitle(brivo::toolTitle(brivo::Tool::Archive));

    connect(m_cancelButton, &QPushButton::clicked, this, &Widget::cancelJobs);
    connect(listView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { showContentsOf(files.value(current.row())); });
    connect(m_contents, &brivo::zip::ArchiveContents::ready, this, &Widget::contentsReady);
    connect(m_contentsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Widget::updateActions);
    connect(m_contentsView, &QTreeView::doubleClicked, this, &Widget::openEntry);
    // A password typed for an archive whose list of contents is encrypted: read it again with it.
    connect(passwordEdit, &QLineEdit::returnPressed, this, [this] {
        if (!m_contents->archive().isEmpty() && m_contents->entryCount() == 0)
            showContentsOf(m_contents->archive());
    });
    // Quitting while 7z runs ends it, and what it left half-done is removed.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Widget::endJobsNow);
    updateActions();
    // The buttons name themselves with their texts.
    brivo::describeControls(
        this, "Archive tool: packs files into archives and unpacks them",
        {{"homeButton", "Brivo Home", "Open the Brivo home window"},
         {"fileTree", "Files", "Double-click a file to add it to the list"},
         {"archiveList", "Listed files",
          "Files to pack or archives to unpack; the selected archive's entries show below"},
         {"passwordEdit", "Password", "The archives' password; Return reads the selected archive with it"},
         {"showPassword", "Show password", "Show the password"}});
}

Widget::~Widget()
{
    endJobsNow();
}

qint64 Widget::archiverProcessId() const
{
    return m_job ? m_job->processId() : 0;
}

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

    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save"), QString(),
                                     tr("7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar);;"
                                        "Tar files (*.tar *.tar.gz *.tgz *.tar.xz)"));
    if (chosen.isEmpty())
        return;

    const brivo::zip::PackFormat format = brivo::zip::packFormat(chosen);
    // The dialog asked before replacing the name it was given, not the one with ".7z" added.
    if (format.archive != chosen && QFileInfo::exists(format.archive) &&
        QMessageBox::question(this, QStringLiteral("Save"),
                              QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(format.archive).fileName()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    const QString usedPassword = passwordBox->isChecked() ? password : QString();
    password = QString();
    // 7z packs a tar without complaint when given a password, and encrypts nothing.
    if (!usedPassword.isEmpty() && !format.canHoldPassword) {
        QMessageBox::warning(
            this, errorTitle,
            QStringLiteral("A tar archive cannot hold a password. Name the archive .7z or .zip "
                           "to encrypt it, or untick Password."),
            QMessageBox::Ok);
        return;
    }

    QStringList entries;
    for (int row = 0; row < listModel->rowCount(); ++row) {
        const QString entry = files.at(row);
        entries.append(entry);
        output->append(QStringLiteral("Processing...<b>") + escapedForDisplay(entry).toHtmlEscaped() +
                       QStringLiteral("</b><br/>"));
    }
    // The list of what is being packed stays until the archiver has something to say.
    m_clearBeforeOutput = true;
    startJobs({new brivo::zip::PackJob(format.archive, format, entries, usedPassword)});
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

    startForEachArchive(
        [this](const QString &archive, const QString &password) { return extractJob(archive, password); });
}

void Widget::extractTo()
{
    if (m_busy || listModel->rowCount() == 0 || passwordIsMissing())
        return;
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Extract To"));
    if (folder.isEmpty()) {
        password = QString();
        return;
    }
    startForEachArchive([this, folder](const QString &archive, const QString &password) {
        return extractJob(archive, password, {}, folder);
    });
}

ArchiveJob *Widget::extractJob(const QString &archive, const QString &password, const QStringList &entries,
                               const QString &destination)
{
    auto *job = new brivo::zip::ExtractJob(archive, password, entries, destination);
    job->setReplaceQuestion([this](const QString &folder, const QList<brivo::zip::ReplacedFile> &files) {
        return brivo::zip::askAboutReplacing(this, folder, files);
    });
    return job;
}

void Widget::test()
{
    if (m_busy || passwordIsMissing())
        return;
    startForEachArchive([](const QString &archive, const QString &password) -> ArchiveJob * {
        return new brivo::zip::TestJob(archive, password);
    });
}

void Widget::startForEachArchive(const std::function<ArchiveJob *(const QString &, const QString &)> &makeJob)
{
    // The list may change while the archiver runs (drops and the tree stay open); this run takes what
    // was listed when it started.
    QList<ArchiveJob *> jobs;
    for (const QString &archive : files.mid(0, listModel->rowCount()))
        jobs.append(makeJob(archive, password));
    password = QString();
    if (jobs.isEmpty())
        return;
    output->setText(QString());
    startJobs(jobs);
}

void Widget::extractSelected()
{
    const QModelIndexList rows = m_contentsView->selectionModel()->selectedRows();
    if (m_busy || rows.isEmpty() || passwordIsMissing())
        return;
    // A selected folder brings everything it holds, also one only implied by the paths below it.
    const QStringList entries = m_contents->pathsOf(rows);
    const QString usedPassword = std::exchange(password, QString());
    output->setText(QString());
    startJobs({extractJob(m_contents->archive(), usedPassword, entries)});
}

bool Widget::canAddToShownArchive() const
{
    const QString archive = m_contents->archive();
    if (archive.isEmpty() || m_contents->isReading() || !m_contentsRead)
        return false;
    // 7z updates a .7z, .zip or .tar; a compressed tar would have to be unpacked and packed again.
    const brivo::zip::PackFormat format = brivo::zip::packFormat(archive);
    return format.archive == archive && !format.twoSteps();
}

void Widget::addFiles()
{
    if (m_busy || !canAddToShownArchive())
        return;
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Add to the archive"));
    if (!paths.isEmpty())
        addToArchive(paths);
}

std::optional<QString> Widget::archivePassword()
{
    QString typed = passwordBox->isChecked() ? passwordEdit->text() : QString();
    if (typed.isEmpty()) {
        typed = QInputDialog::getText(this, QStringLiteral("Password"),
                                      QStringLiteral("%1 is encrypted. Its password:")
                                          .arg(shown(QFileInfo(m_contents->archive()).fileName())),
                                      QLineEdit::Password);
    }
    if (typed.isEmpty())
        return std::nullopt;
    return typed;
}

void Widget::openEntry(const QModelIndex &index)
{
    const brivo::zip::ArchiveEntry *entry = m_contents->entryAt(index);
    if (m_busy || !entry || m_contents->isFolder(index))
        return;
    QString usedPassword = passwordBox->isChecked() ? passwordEdit->text() : QString();
    if (entry->encrypted && usedPassword.isEmpty()) {
        const std::optional<QString> given = archivePassword();
        if (!given)
            return;
        usedPassword = *given;
    }
    QString error;
    const QString folder = brivo::zip::makeOpenedEntryFolder(&error);
    if (folder.isEmpty()) {
        QMessageBox::warning(this, errorTitle,
                             QStringLiteral("Cannot make a folder to open the entry in: %1").arg(error),
                             QMessageBox::Ok);
        return;
    }
    // The same checked extraction as any other, into a folder of its own that nobody else can enter.
    auto *job = new brivo::zip::ExtractJob(m_contents->archive(), usedPassword, {entry->path}, folder);
    connect(job, &ArchiveJob::finished, this, [folder](ArchiveJob::Result result) {
        QString file;
        if (result == ArchiveJob::Result::Done) {
            QDirIterator found(folder, QDir::Files | QDir::Hidden | QDir::System,
                               QDirIterator::Subdirectories);
            while (file.isEmpty() && found.hasNext()) {
                const QFileInfo info(found.next());
                if (info.isFile() && !info.isSymLink())
                    file = info.filePath();
            }
        }
        // Opened as any file is: the tool for its type, or the launcher when no tool claims it. That
        // happens from the event loop, once the job has ended, and also when this window has closed
        // meanwhile: the folder is looked after either way.
        QTimer::singleShot(0, qApp, [folder, file] {
            const brivo::Opening opening = file.isEmpty() ? brivo::Opening() : brivo::dispatchOpening(file);
            // A file no tool claims opens the launcher to choose one; the tool chosen there opens a window
            // that cannot be followed from here, so the folder stays until the program ends.
            if (!opening.toolChosenLater)
                brivo::zip::removeWhenClosed(folder, opening.windows);
        });
    });
    output->setText(QString());
    startJobs({job});
}

void Widget::addToArchive(const QStringList &paths, const QString &folder)
{
    if (m_busy || !canAddToShownArchive() || paths.isEmpty())
        return;
    const QString archive = m_contents->archive();
    const QString name = shown(QFileInfo(archive).fileName());
    // At the top, 7z updates an entry of the same name as it always does (and refuses two files of one
    // name); inside a folder the files would stand beside such an entry, or each other, under the same
    // name, so that is refused.
    if (!folder.isEmpty()) {
        QSet<QString> names;
        for (const QString &path : paths) {
            const QString fileName = QFileInfo(path).fileName();
            const QString inside = folder + QLatin1Char('/') + fileName;
            QString refused;
            if (m_contents->holds(inside))
                refused = QStringLiteral("%1 already holds %2.").arg(name, shown(inside));
            else if (names.contains(fileName))
                refused = QStringLiteral("Two of the files to add are named %1.").arg(shown(fileName));
            if (!refused.isEmpty()) {
                QMessageBox::warning(this, errorTitle, refused + QStringLiteral(" Nothing was added."),
                                     QMessageBox::Ok);
                return;
            }
            names.insert(fileName);
        }
    }
    // New entries get the password of the old ones, which is tried on one of them before anything is added.
    const QString check = m_contents->smallestEncryptedFile();
    QString usedPassword;
    if (!check.isEmpty()) {
        const std::optional<QString> given = archivePassword();
        if (!given)
            return;
        usedPassword = *given;
    }
    const QString what = paths.size() == 1 ? shown(QFileInfo(paths.first()).fileName())
                                           : QStringLiteral("%1 files").arg(paths.size());
    const QString question =
        folder.isEmpty() ? QStringLiteral("Add %1 to %2?").arg(what, name)
                         : QStringLiteral("Add %1 to the folder %2 of %3?").arg(what, shown(folder), name);
    if (QMessageBox::question(this, QStringLiteral("Add"), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) != QMessageBox::Yes) {
        return;
    }
    auto *job = new brivo::zip::PackJob(archive, brivo::zip::packFormat(archive), paths, usedPassword);
    job->setAddingTo(check);
    job->setAddingInto(folder);
    // What was added shows in the contents, read with the password it was added with.
    connect(job, &ArchiveJob::finished, this, [this, archive, usedPassword](ArchiveJob::Result result) {
        if (result == ArchiveJob::Result::Done)
            m_rereadAfterRun = {archive, usedPassword};
    });
    output->setText(QString());
    startJobs({job});
}

void Widget::setf(const QString &path)
{
    // The archive Brivo is started with: the tree shows its folder, ready for what goes with it.
    if (!m_fileTreePlaced && QFileInfo(path).isAbsolute() && QFileInfo(path).isFile())
        showInFileTree(QFileInfo(path).absolutePath());
    m_fileTreePlaced = true;
    files.append(path);
    refreshList();
    // An archive opened with Brivo shows what it holds straight away.
    if (!listView->currentIndex().isValid())
        listView->setCurrentIndex(listModel->index(int(files.size()) - 1));
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
        m_showPassword->setChecked(false);
        m_showPassword->hide();
        password = QString();
    } else {
        passwordEdit->show();
        m_showPassword->show();
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
    // Only local files and folders can be packed or extracted; anything else is not added at all.
    QStringList paths = brivo::droppedPaths(event);
    paths.removeAll(QString());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Dropped on an archive's contents, the files go into that archive. The question waits until the
    // drop is over: a drag from another program is still under way while this runs.
    // Dropped on a folder, or on an entry inside one, they go into that folder.
    const QWidget *contents = m_contentsView->viewport();
    const QPoint at = contents->mapFrom(this, event->position().toPoint());
    if (!m_busy && canAddToShownArchive() && contents->rect().contains(at)) {
        const QString folder = m_contents->folderAt(m_contentsView->indexAt(at));
        QTimer::singleShot(0, this, [this, paths, folder] { addToArchive(paths, folder); });
        return;
    }
    files.append(paths);
    refreshList();
}

void Widget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_shownBefore, true))
        return;
    const int total = m_splitter->height();
    const int lower = qBound(40, m_outputHeight, qMax(40, total - 120));
    m_splitter->setSizes({total - lower, lower});
}

void Widget::closeEvent(QCloseEvent *event)
{
    // The pane's height is kept for the next window, only when the user changed it.
    if (m_shownBefore &&
        brivo::readStateObject(windowStateFile).value(outputHeightKey).toInt(defaultOutputHeight) !=
            m_outputHeight)
        brivo::writeStateFile(windowStateFile,
                              QJsonDocument(QJsonObject{{outputHeightKey, m_outputHeight}}).toJson());
    // A closed window is never seen again: its run would go on unseen, so it stops.
    cancelJobs();
    QWidget::closeEvent(event);
}

void Widget::refreshList()
{
    listModel->setStringList(files);
    // The list's selection goes with the reset; the archive whose contents are shown stays selected.
    const QString shownArchive = m_contents->archive();
    const qsizetype row = shownArchive.isEmpty() ? -1 : files.indexOf(shownArchive);
    if (row >= 0) {
        listView->setCurrentIndex(listModel->index(int(row)));
    } else if (!shownArchive.isEmpty()) {
        m_contents->clear();
        m_contentsStatus->clear();
        updateActions();
    }
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
          static_cast<QWidget *>(m_extractToButton), static_cast<QWidget *>(passwordBox),
          static_cast<QWidget *>(passwordEdit)}) {
        control->setEnabled(!busy);
    }
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressLabel->clear();
    // A run that ends at once never moves the window's contents: the row shows once it lasts a moment.
    m_progressRow->hide();
    if (busy)
        m_progressDelay->start();
    else
        m_progressDelay->stop();
    updateActions();
}

void Widget::updateActions()
{
    m_testButton->setEnabled(!m_busy);
    m_addButton->setEnabled(!m_busy && canAddToShownArchive());
    m_extractSelectedButton->setEnabled(!m_busy && m_contentsView->selectionModel()->hasSelection());
}

void Widget::showProgress(const ArchiverProgress &progress)
{
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(progress.percent);
    if (!progress.file.isEmpty())
        m_progressLabel->setText(escapedForDisplay(progress.file));
}

void Widget::startJobs(const QList<ArchiveJob *> &jobs)
{
    m_verdicts->clear();
    m_verdicts->hide();
    m_pendingJobs = jobs;
    setBusy(true);
    startNextJob();
}

void Widget::startNextJob()
{
    if (m_job)
        return;
    if (m_pendingJobs.isEmpty()) {
        setBusy(false);
        if (const auto [archive, password] = std::exchange(m_rereadAfterRun, {});
            !archive.isEmpty() && archive == m_contents->archive())
            showContentsOf(archive, password);
        return;
    }
    ArchiveJob *job = m_pendingJobs.takeFirst();
    m_job = job;
    job->setParent(this);
    connect(job, &ArchiveJob::outputLines, this, &Widget::appendOutput);
    connect(job, &ArchiveJob::errorLines, this, &Widget::appendErrors);
    connect(job, &ArchiveJob::progress, this, &Widget::showProgress);
    connect(job, &ArchiveJob::runEnded, this, [this](int exitCode, int exitStatus) {
        appendHtml(QStringLiteral("Exit Code : %1<br/>Exit Status : %2").arg(exitCode).arg(exitStatus));
    });
    connect(job, &ArchiveJob::message, this, [this](const QString &text, bool problem) {
        appendLines(text.split(QLatin1Char('\n')), problem ? errorFormat() : QTextCharFormat());
    });
    connect(job, &ArchiveJob::concluded, this, &Widget::addVerdict);
    connect(job, &ArchiveJob::finished, this,
            [this, job](ArchiveJob::Result result) { jobFinished(job, result); });
    m_progressBar->setValue(0);
    m_progressLabel->clear();
    job->start();
}

void Widget::jobFinished(ArchiveJob *job, ArchiveJob::Result result)
{
    job->deleteLater();
    if (job != m_job)
        return;
    m_job = nullptr;
    m_clearBeforeOutput = false;
    if (result == ArchiveJob::Result::Stop) {
        qDeleteAll(m_pendingJobs);
        m_pendingJobs.clear();
    }
    // The next job starts from the event loop, so that a long list never nests one start in another.
    QMetaObject::invokeMethod(this, &Widget::startNextJob, Qt::QueuedConnection);
}

void Widget::cancelJobs()
{
    qDeleteAll(m_pendingJobs);
    m_pendingJobs.clear();
    if (m_job)
        m_job->cancel();
}

void Widget::endJobsNow()
{
    qDeleteAll(m_pendingJobs);
    m_pendingJobs.clear();
    if (m_job) {
        ArchiveJob *job = m_job;
        m_job = nullptr;
        job->endNow();
        delete job;
    }
    if (m_busy)
        setBusy(false);
}

void Widget::showInFileTree(const QString &folder)
{
    const QModelIndex index = fsModel->index(folder);
    if (!index.isValid())
        return;
    m_fileTreeTarget = folder;
    fileTree->expand(index);
    fileTree->setCurrentIndex(index);
    fileTree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void Widget::showContentsOf(const QString &archive, const QString &password)
{
    m_contentsRead = false;
    if (archive.isEmpty()) {
        m_contents->clear();
        m_contentsStatus->clear();
    } else if (const QString special = brivo::notRegularFile(archive); !special.isEmpty()) {
        // The archiver would wait on a named pipe for as long as nobody writes to it.
        m_contents->clear();
        m_contentsStatus->setText(special);
    } else {
        m_contentsStatus->setText(QStringLiteral("Reading %1 ...").arg(escapedForDisplay(archive)));
        m_contents->read(archive, !password.isEmpty()        ? password
                                  : passwordBox->isChecked() ? passwordEdit->text()
                                                             : QString());
    }
    updateActions();
}

void Widget::contentsReady(const brivo::zip::ContentsResult &result, bool passwordGiven)
{
    using namespace brivo::zip;
    const QString name = shown(m_contents->archive());
    if (result.failedToStart) {
        m_contentsStatus->setText(missingArchiverText(sevenZipExecutable(), result.errorString));
        return;
    }
    const int code = result.crashed ? -1 : result.exitCode;
    const Verdict verdict = verdictOf(result.messages, code, passwordGiven);
    m_contentsRead = verdict == Verdict::Ok || (verdict == Verdict::Warnings && m_contents->entryCount() > 0);
    if (m_contentsRead) {
        const qsizetype count = m_contents->entryCount();
        m_contentsStatus->setText(QStringLiteral("%1: %2 %3, %4")
                                      .arg(name, QLocale().toString(count),
                                           count == 1 ? QStringLiteral("entry") : QStringLiteral("entries"),
                                           QLocale().formattedDataSize(m_contents->totalSize())));
    } else {
        m_contentsStatus->setText(verdictText(verdict, name, QString(), code));
    }
    updateActions();
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
    followOutput();
}

void Widget::appendOutput(const QStringList &lines)
{
    // 7z's lines as they stand, names with control characters escaped; its errors in the error colour.
    for (const QString &line : lines) {
        if (brivo::zip::isPasswordQuestion(line))
            continue;
        appendLines({escapedForDisplay(line)},
                    brivo::zip::isProblemLine(line) ? errorFormat() : QTextCharFormat());
    }
}

void Widget::appendErrors(const QStringList &lines)
{
    QStringList shownLines;
    for (const QString &line : lines)
        shownLines << escapedForDisplay(line);
    appendLines(shownLines, errorFormat());
}

void Widget::addVerdict(const QString &archive, brivo::zip::Verdict verdict)
{
    using brivo::zip::Verdict;
    const QStyle::StandardPixmap icon = verdict == Verdict::Ok ? QStyle::SP_DialogApplyButton
                                        : verdict == Verdict::Warnings || verdict == Verdict::Cancelled
                                            ? QStyle::SP_MessageBoxWarning
                                            : QStyle::SP_MessageBoxCritical;
    auto *item =
        new QListWidgetItem(style()->standardIcon(icon),
                            QStringLiteral("%1: %2").arg(escapedForDisplay(QFileInfo(archive).fileName()),
                                                         brivo::zip::verdictWords(verdict)));
    item->setToolTip(escapedForDisplay(archive));
    m_verdicts->addItem(item);
    // As tall as its lines, up to five; the output below keeps the rest.
    const int rows = qMin(m_verdicts->count(), 5);
    m_verdicts->setFixedHeight(rows * m_verdicts->sizeHintForRow(0) + 2 * m_verdicts->frameWidth());
    m_verdicts->show();
    m_verdicts->scrollToItem(item);
}

void Widget::appendHtml(const QString &html)
{
    startPaneBlock(QTextCharFormat()).insertHtml(html);
    followOutput();
}

void Widget::followOutput()
{
    // The pane lays out what was added, and its scroll range grows, only after this: the last line is
    // scrolled to from the event loop, once for all the output that arrives before then.
    if (std::exchange(m_followPending, true))
        return;
    QTimer::singleShot(0, output, [this] {
        m_followPending = false;
        output->verticalScrollBar()->setValue(output->verticalScrollBar()->maximum());
    });
}
