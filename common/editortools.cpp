#include "common/editortools.h"

#include "common/diskwatch.h"
#include "common/editorsearch.h"
#include "common/findbar.h"
#include "common/recentfiles.h"

#include <QAction>
#include <QBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QWheelEvent>

namespace brivo {

namespace {

// Zooming keeps the text readable and the layout sane.
constexpr int kMinPointSize = 4;
constexpr int kMaxPointSize = 96;

QString lineEndName(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf:
        return QStringLiteral("CRLF");
    case LineEnd::Cr:
        return QStringLiteral("CR");
    case LineEnd::Lf:
        break;
    }
    return QStringLiteral("LF");
}

// The platform's Replace keys, and Ctrl+H wherever the platform names none (a plain X11 session): as on
// Windows and GNOME.
QList<QKeySequence> replaceKeys()
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Replace);
    if (keys.isEmpty())
        keys.append(QKeySequence(Qt::CTRL | Qt::Key_H));
    return keys;
}

} // namespace

EditorTools::EditorTools(const Setup &setup)
    : QObject(setup.window), m_editor(setup.editor), m_format(setup.format), m_recentList(setup.recentList)
{
    m_findBar = new FindBar(FindBar::Options | FindBar::Replace);
    setup.textLayout->addWidget(m_findBar);
    m_search = new EditorSearch(m_editor, m_findBar);
    m_diskWatch = new DiskWatch(setup.window, setup.textLayout, setup.reload);
    // Escape in the text closes the bar as well, after F3 has left the keyboard there.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_editor);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, m_findBar, [this] {
        if (m_findBar->isVisible())
            m_findBar->dismiss();
    });

    QMenu *edit = setup.editMenu;
    // Next and previous keep to F3: the platform's other binding for them, Ctrl+G, is Go to Line here.
    setup.searchAction->setShortcuts(QKeySequence::Find);
    setup.searchAction->setToolTip(tr("Find text in the document (the find bar under the text)"));
    connect(setup.searchAction, &QAction::triggered, m_findBar, &FindBar::openFind);
    edit->addSeparator();
    connect(addAction(edit, tr("Find Next"), QStringLiteral("actionFind_Next"), tr("Select the next match"),
                      {QKeySequence(Qt::Key_F3)}),
            &QAction::triggered, this, [this] { m_search->find(false); });
    connect(addAction(edit, tr("Find Previous"), QStringLiteral("actionFind_Previous"),
                      tr("Select the previous match"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)}),
            &QAction::triggered, this, [this] { m_search->find(true); });
    connect(addAction(edit, tr("Replace"), QStringLiteral("actionReplace"),
                      tr("Replace matches with other text (the find bar with its replace row)"),
                      replaceKeys()),
            &QAction::triggered, m_findBar, &FindBar::openReplace);
    QAction *selectAll =
        addAction(edit, tr("Select All"), QStringLiteral("actionSelect_All"), tr("Select the whole text"),
                  QKeySequence::keyBindings(QKeySequence::SelectAll));
    // Ctrl+A belongs to the text that has the keyboard: in the find bar or a run's output it selects there.
    selectAll->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_editor->addAction(selectAll);
    connect(selectAll, &QAction::triggered, m_editor, &QPlainTextEdit::selectAll);
    connect(addAction(edit, tr("Go to Line..."), QStringLiteral("actionGo_to_Line"),
                      tr("Move the cursor to a line by its number"), {QKeySequence(Qt::CTRL | Qt::Key_G)}),
            &QAction::triggered, this, &EditorTools::askForLine);
    edit->addSeparator();
    connect(addAction(edit, tr("Zoom In"), QStringLiteral("actionZoom_In"), tr("Show the text larger"),
                      {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)}),
            &QAction::triggered, this, [this] { zoom(1); });
    connect(addAction(edit, tr("Zoom Out"), QStringLiteral("actionZoom_Out"), tr("Show the text smaller"),
                      QKeySequence::keyBindings(QKeySequence::ZoomOut)),
            &QAction::triggered, this, [this] { zoom(-1); });
    connect(addAction(edit, tr("Normal Size"), QStringLiteral("actionZoom_Reset"),
                      tr("Show the text at its normal size"), {QKeySequence(Qt::CTRL | Qt::Key_0)}),
            &QAction::triggered, this, &EditorTools::zoomReset);
    edit->setToolTipsVisible(true);

    // Recent and the encodings go above Exit, which stays last, as in other editors.
    m_recent = new RecentFilesMenu(m_recentList, setup.openRecent, setup.fileMenu);
    QMenu *file = setup.fileMenu;
    const auto encodingMenu = [file](const QString &title, const QString &name, const QString &tip,
                                     const std::function<void(TextEncoding)> &chosen) {
        auto *menu = new QMenu(title, file);
        menu->setObjectName(name);
        menu->menuAction()->setToolTip(tip);
        for (const TextEncoding encoding : allTextEncodings) {
            QAction *action = menu->addAction(textEncodingName(encoding));
            connect(action, &QAction::triggered, menu, [chosen, encoding] { chosen(encoding); });
        }
        return menu;
    };
    const QList<QAction *> entries = file->actions();
    QAction *before = nullptr;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i]->objectName() == QLatin1String("actionExit"))
            before = i > 0 && entries[i - 1]->isSeparator() ? entries[i - 1] : entries[i];
    }
    file->insertSeparator(before);
    file->insertMenu(before,
                     encodingMenu(tr("Reopen with Encoding"), QStringLiteral("menuReopen_with_Encoding"),
                                  tr("Read the file again in another encoding"), setup.reopenAs));
    file->insertMenu(before, encodingMenu(tr("Save with Encoding"), QStringLiteral("menuSave_with_Encoding"),
                                          tr("Save the file in another encoding"), setup.saveAs));
    file->insertMenu(before, m_recent);
    file->setToolTipsVisible(true);

    m_basePointSize = m_editor->font().pointSize();
    m_editor->viewport()->installEventFilter(this);

    // On the right of the status bar, where the status messages that replace their label never reach.
    m_position = new QLabel;
    m_position->setObjectName(QStringLiteral("positionLabel"));
    m_position->setToolTip(tr("Line and column of the cursor, the file's encoding and its line ends"));
    setup.window->statusBar()->addPermanentWidget(m_position);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, &EditorTools::updatePosition);
    updatePosition();
}

QAction *EditorTools::addAction(QMenu *menu, const QString &text, const QString &name, const QString &tip,
                                const QList<QKeySequence> &keys)
{
    auto *action = new QAction(text, menu->parent() ? menu->parentWidget() : menu);
    action->setObjectName(name);
    action->setToolTip(tip);
    action->setShortcuts(keys);
    menu->addAction(action);
    return action;
}

void EditorTools::goToLine(int line)
{
    QTextCursor cursor = m_editor->textCursor();
    const QTextDocument *document = m_editor->document();
    const QTextBlock block = document->findBlockByNumber(qBound(1, line, document->blockCount()) - 1);
    cursor.setPosition(block.position());
    m_editor->setTextCursor(cursor);
    // In the middle of the view, with the lines around it, as other editors show a line gone to.
    m_editor->centerCursor();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void EditorTools::askForLine()
{
    const QTextCursor cursor = m_editor->textCursor();
    const int lines = m_editor->document()->blockCount();
    bool ok = false;
    const int line =
        QInputDialog::getInt(m_editor->window(), tr("Go to Line"), tr("Line (1 - %1):").arg(lines),
                             cursor.blockNumber() + 1, 1, lines, 1, &ok);
    if (ok)
        goToLine(line);
}

void EditorTools::zoom(int steps)
{
    QFont font = m_editor->font();
    const int size = qBound(kMinPointSize, font.pointSize() + steps, kMaxPointSize);
    if (size == font.pointSize())
        return;
    font.setPointSize(size);
    m_editor->setFont(font);
}

void EditorTools::zoomReset()
{
    zoom(m_basePointSize - m_editor->font().pointSize());
}

void EditorTools::remember(const QString &path)
{
    addRecentFile(m_recentList, path);
}

void EditorTools::updatePosition()
{
    const QTextCursor cursor = m_editor->textCursor();
    const TextFormat format = m_format ? m_format() : TextFormat();
    m_position->setText(tr("Ln %1, Col %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1) +
                        QStringLiteral("    ") + textEncodingName(format.encoding) + QStringLiteral("    ") +
                        lineEndName(format.lineEnd) + QStringLiteral(" "));
}

bool EditorTools::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = m_wheel.add(wheel->angleDelta().y());
            if (steps)
                zoom(steps);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brivo
