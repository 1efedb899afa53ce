#include "common/diskwatch.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace brivo {

namespace {

// A program that saves by writing a new file and renaming it over the old one raises several notices in a
// row; the file is looked at once they have settled.
constexpr int kSettleMs = 100;

} // namespace

DiskWatch::DiskWatch(QWidget *window, QBoxLayout *layout, std::function<void(const QString &)> reload)
    : QObject(window), m_reload(std::move(reload))
{
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, &DiskWatch::check);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
    // The folder tells when a removed file comes back, or a file renamed over it took its place.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle, qOverload<>(&QTimer::start));

    m_bar = new QWidget;
    m_bar->setObjectName(QStringLiteral("diskChangeBar"));
    m_bar->setAutoFillBackground(true);
    m_bar->setStyleSheet(QStringLiteral("#diskChangeBar { background: #fff3c4; }"));
    auto *row = new QHBoxLayout(m_bar);
    row->setContentsMargins(6, 3, 6, 3);
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("diskChangeMessage"));
    row->addWidget(m_message, 1);
    m_reloadButton = new QPushButton(tr("Reload"));
    m_reloadButton->setObjectName(QStringLiteral("reloadButton"));
    m_reloadButton->setToolTip(tr("Read the file again as it is on disk; the changes made here go"));
    row->addWidget(m_reloadButton);
    auto *keep = new QPushButton(tr("Keep mine"));
    keep->setObjectName(QStringLiteral("keepMineButton"));
    keep->setToolTip(tr("Keep the text as it is here; the next Save writes it over the file"));
    row->addWidget(keep);
    connect(m_reloadButton, &QPushButton::clicked, this, [this] {
        m_bar->hide();
        m_reload(m_path);
    });
    connect(keep, &QPushButton::clicked, this, &DiskWatch::keepMine);
    m_bar->hide();
    layout->insertWidget(0, m_bar);
}

void DiskWatch::setFile(const QString &path)
{
    m_path = path;
    m_stamp = fileStamp(m_path);
    m_shown = m_stamp;
    m_bar->hide();
    arm();
}

void DiskWatch::arm()
{
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (m_path.isEmpty()) {
        if (!watched.isEmpty())
            m_watcher->removePaths(watched);
        return;
    }
    const QString folder = QFileInfo(m_path).absolutePath();
    QStringList stale;
    for (const QString &path : watched) {
        if (path != m_path && path != folder)
            stale.append(path);
    }
    if (!stale.isEmpty())
        m_watcher->removePaths(stale);
    // A file replaced by a rename is a new file: the watch on the old one is gone with it.
    if (!m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher->addPath(m_path);
    if (!m_watcher->directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
}

bool DiskWatch::changedOnDisk() const
{
    // A folder or a device put in the file's place is no file to save over: the save itself says why not.
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile())
        return false;
    const FileStamp now = fileStamp(m_path);
    return now.exists && now != m_stamp;
}

bool DiskWatch::mayOverwrite(QWidget *parent)
{
    if (!changedOnDisk())
        return true;
    const auto answer = QMessageBox::warning(
        parent, tr("File changed"),
        tr("%1 was changed by another program since it was read here.\n\nSave over it, and lose that change?")
            .arg(QFileInfo(m_path).fileName()),
        QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel);
    return answer == QMessageBox::Save;
}

void DiskWatch::check()
{
    if (m_path.isEmpty())
        return;
    arm();
    const FileStamp now = fileStamp(m_path);
    if (now == m_stamp) {
        m_bar->hide();
        m_shown = now;
        return;
    }
    if (now == m_shown && m_bar->isVisible())
        return;
    m_shown = now;
    const QString name = QFileInfo(m_path).fileName();
    m_message->setText(now.exists ? tr("%1 was changed by another program.").arg(name)
                                  : tr("%1 was removed by another program.").arg(name));
    m_reloadButton->setEnabled(now.exists);
    m_bar->show();
}

void DiskWatch::wroteTo(const QString &path)
{
    if (!m_path.isEmpty() && QFileInfo(path) == QFileInfo(m_path))
        keepMine();
}

void DiskWatch::keepMine()
{
    // The file as it is now is the one the text replaces: saving over it asks no more.
    m_stamp = fileStamp(m_path);
    m_shown = m_stamp;
    m_bar->hide();
}

} // namespace brivo
