#include "app/toolopeners.h"

#include "app/moduleloader.h"
#include "app/windowkeeper.h"
#include "txtedit/txtedit.h"

#include <QWidget>

namespace brivo {

namespace {

// Each opener creates its tool's window and hands it the file; openTool() shows it. An opener returns
// nullptr when its tool is not available.

QWidget *openCodeEditor(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openNotepad(const QString &path, const OpenOptions &)
{
    auto *window = new txtedit;
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

QWidget *openWebBrowser(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openPdfViewer(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openMediaPlayer(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openImageViewer(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openArchive(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openGifViewer(const QString &, const OpenOptions &)
{
    return nullptr;
}

QWidget *openSnapshot(const QString &, const OpenOptions &)
{
    return nullptr;
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
    QWidget *window = openerOverride() ? openerOverride()(tool, path, options) : openerFor(tool)(path, options);
    if (!window)
        return nullptr;
    keepUntilExit(window);
    window->show();
    return window;
}

} // namespace brivo
