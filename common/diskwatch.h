// Watches an editor's file for changes made by other programs: a bar over the text says when the file was
// changed or removed, with Reload and Keep mine, and saving over a file changed since it was read asks
// first. The editor's own saves never count as changes.
#pragma once

#include "brivo_core_export.h"

#include "common/filestamp.h"

#include <QObject>
#include <QString>

#include <functional>

class QBoxLayout;
class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace brivo {

class BRIVO_CORE_EXPORT DiskWatch : public QObject
{
    Q_OBJECT
public:
    // The bar goes first in `layout`, above the text; `reload` reads the file at the path it is given into
    // the editor again.
    DiskWatch(QWidget *window, QBoxLayout *layout, std::function<void(const QString &)> reload);

    // The editor's text now equals the file at `path` (just read or saved); empty for a document with no
    // file. Takes the file's stamp as it is now and hides the bar.
    void setFile(const QString &path);

    // True when the file is there and is no longer the one last read, saved or kept.
    bool changedOnDisk() const;

    // Before a save over the current file: asks (parented to `parent`) whether to overwrite a file that
    // another program changed since it was read. True when the save may go ahead.
    bool mayOverwrite(QWidget *parent);

    // Takes the file as it is now as the one the text replaces, as the bar's Keep mine does: after a save
    // over it that failed part way, what is there is the editor's own doing.
    void keepMine();

    // The editor wrote a copy of its text to `path` (Save As): when that is the watched file itself, the
    // change is the editor's own.
    void wroteTo(const QString &path);

    // Looks at the file now, as a notice from the file system does; the bar shows when it changed.
    void check();

    QWidget *bar() const { return m_bar; }

private:
    void arm();

    std::function<void(const QString &)> m_reload;
    QString m_path;
    FileStamp m_stamp; // the file as the editor's text last matched it, or as the user chose to keep it
    FileStamp m_shown; // the file as the bar last reported it
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_settle = nullptr;
    QWidget *m_bar = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_reloadButton = nullptr;
};

} // namespace brivo
