#include "app/toolopeners.h"

#include "app/moduleloader.h"
#include "app/windowkeeper.h"
#include "desktop/desktop.h"
#include "ide/ide.h"
#include "txtedit/txtedit.h"
#include "viewers/gif.h"
#include "viewers/imgv.h"
#include "web/sharedglcontext.h"
#include "zip/widget.h"

#include <QWidget>

namespace brivo {

namespace {

// Each opener creates its tool's window and hands it the file; openTool() shows it. An opener returns
// nullptr when its tool is not available.

QWidget *openCodeEditor(const QString &path, const OpenOptions &)
{
    auto *window = new ide(nullptr);
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

QWidget *openNotepad(const QString &path, const OpenOptions &)
{
    auto *window = new txtedit;
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

QWidget *openWebBrowser(const QString &path, const OpenOptions &options)
{
    // The engine looks for the shared OpenGL context as its library loads.
    brivo::ensureSharedGlContext();
    return brivo::openModuleWindow(QStringLiteral("brivo_web"), path, options);
}

QWidget *openPdfViewer(const QString &path, const OpenOptions &options)
{
    return openModuleWindow(QStringLiteral("brivo_pdf"), path, options);
}

QWidget *openMediaPlayer(const QString &path, const OpenOptions &options)
{
    return openModuleWindow(QStringLiteral("brivo_av"), path, options);
}

QWidget *openImageViewer(const QString &path, const OpenOptions &)
{
    auto *window = new imgv;
    if (!path.isEmpty())
        window->openFile(path);
    window->buildUi();
    return window;
}

QWidget *openArchive(const QString &path, const OpenOptions &)
{
    auto *window = new Widget;
    if (!path.isEmpty())
        window->setf(path);
    return window;
}

QWidget *openGifViewer(const QString &path, const OpenOptions &)
{
    auto *window = new gif;
    window->init(path);
    return window;
}

QWidget *openSnapshot(const QString &, const OpenOptions &)
{
    // The snapshot window takes no file.
    return new desktop;
}

using Opener = QWidget *(*)(const QString &, const OpenOptions &);

Opener openerFor(Tool tool)
{
    switch (tool) {
    case Tool::CodeEditor:
        return openCodeEditor;
    case Tool::Notepad:
        return openNotepad;
    case Tool::WebBrowser:
        return openWebBrowser;
    case Tool::PdfViewer:
        return openPdfViewer;
    case Tool::MediaPlayer:
        return openMediaPlayer;
    case Tool::ImageViewer:
        return openImageViewer;
    case Tool::Archive:
        return openArchive;
    case Tool::GifViewer:
        return openGifViewer;
    case Tool::Snapshot:
        return openSnapshot;
    }
    return nullptr;
}

OpenerOverride &openerOverride()
{
    static OpenerOverride replacement;
    return replacement;
}

} // namespace

void setOpenerOverrideForTesting(OpenerOverride replacement)
{
    openerOverride() = std::move(replacement);
}

QWidget *openTool(Tool tool, const QString &path, const OpenOptions &options)
{
    QWidget *window =
        openerOverride() ? openerOverride()(tool, path, options) : openerFor(tool)(path, options);
    if (!window)
        return nullptr;
    keepUntilExit(window);
    window->show();
    return window;
}

} // namespace brivo
