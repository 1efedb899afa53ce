// What both editors add around their text area: the find bar, Go to Line, zoom, the Recent menu and a
// status-bar label with the cursor's line and column and the file's encoding and line ends.
#pragma once

#include "brivo_core_export.h"

#include "common/textfile.h"
#include "common/wheelnotches.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QBoxLayout;
class QLabel;
class QMainWindow;
class QMenu;
class QPlainTextEdit;

namespace brivo {

class DiskWatch;
class EditorSearch;
class FindBar;
class RecentFilesMenu;

class BRIVO_CORE_EXPORT EditorTools : public QObject
{
    Q_OBJECT
public:
    struct Setup
    {
        QMainWindow *window = nullptr;
        QPlainTextEdit *editor = nullptr;
        QBoxLayout *textLayout = nullptr;   // the find bar goes in it, under the editor
        QMenu *fileMenu = nullptr;          // gets the Recent menu at its end
        QMenu *editMenu = nullptr;          // gets find, replace, go to line and zoom at its end
        QAction *searchAction = nullptr;    // opens the find bar
        QString recentList;                 // which list of recent files is this editor's
        std::function<TextFormat()> format; // how the current file is stored
        std::function<void(const QString &)> openRecent;
        std::function<void(const QString &)> reload; // reads the file again, changed text or not
        // File > Reopen with Encoding and Save with Encoding.
        std::function<void(TextEncoding)> reopenAs;
        std::function<void(TextEncoding)> saveAs;
    };
    explicit EditorTools(const Setup &setup);

    FindBar *findBar() const { return m_findBar; }
    EditorSearch *search() const { return m_search; }
    QLabel *positionLabel() const { return m_position; }
    RecentFilesMenu *recentMenu() const { return m_recent; }
    // The watch on the file for changes made by other programs.
    DiskWatch *diskWatch() const { return m_diskWatch; }

    // Moves the cursor to the start of line `line` (counted from 1, kept within the document) and shows it.
    void goToLine(int line);
    // Asks for a line, showing the lines there are, and goes there.
    void askForLine();
    // Makes the text larger (positive steps) or smaller; zoomReset() goes back to the starting size.
    void zoom(int steps);
    void zoomReset();
    // Notes that `path` was opened or saved, for the Recent menu.
    void remember(const QString &path);
    // Shows the cursor's place and the file's format as they are now.
    void updatePosition();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addAction(QMenu *menu, const QString &text, const QString &name, const QString &tip,
                       const QList<QKeySequence> &keys);

    QPlainTextEdit *m_editor;
    std::function<TextFormat()> m_format;
    QString m_recentList;
    FindBar *m_findBar = nullptr;
    EditorSearch *m_search = nullptr;
    QLabel *m_position = nullptr;
    RecentFilesMenu *m_recent = nullptr;
    DiskWatch *m_diskWatch = nullptr;
    int m_basePointSize = 0;
    WheelNotches m_wheel;
};

} // namespace brivo
