#include "tests/support/testhelpers.h"

#include "app/windowkeeper.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>

namespace brivo::test {

bool sendDrop(QWidget *target, QMimeData *data)
{
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool sendDropUrls(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    return sendDrop(target, &data);
}

void closeAllWindows()
{
    brivo::deleteKeptWindows();
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (w->isVisible())
            w->hide();
    }
    QApplication::processEvents();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TemporaryToolRoot::TemporaryToolRoot()
    : m_previous(qgetenv("BRIVO_ROOT")), m_hadPrevious(qEnvironmentVariableIsSet("BRIVO_ROOT"))
{
    qputenv("BRIVO_ROOT", QFile::encodeName(m_dir.path()));
}

TemporaryToolRoot::~TemporaryToolRoot()
{
    if (m_hadPrevious)
        qputenv("BRIVO_ROOT", m_previous);
    else
        qunsetenv("BRIVO_ROOT");
}

QString TemporaryToolRoot::makeFolder(const QString &relative) const
{
    const QString full = m_dir.filePath(relative);
    QDir().mkpath(full);
    return full;
}

CurrentDirectory::CurrentDirectory(const QString &path) : m_previous(QDir::currentPath())
{
    QDir::setCurrent(path);
}

CurrentDirectory::~CurrentDirectory()
{
    QDir::setCurrent(m_previous);
}

} // namespace brivo::test
