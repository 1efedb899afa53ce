#include "app/toolopeners.h"

#include "app/moduleloader.h"
#include "common/windowkeeper.h"
#include "web/sharedglcontext.h"

#include <QWidget>

namespace brivo {

namespace {

// Makes the window the way the tool table says: a tool in a module through the module's entry point,
// a linked tool through the opener its folder named.
QWidget *makeWindow(Tool tool, const QString &path, const OpenOptions &options)
{
    const ToolDescription &row = describe(tool);
    if (row.module) {
        // The engine looks for the shared OpenGL context as its library loads.
        if (row.needsSharedGlContext)
            ensureSharedGlContext();
        return openModuleWindow(QString::fromLatin1(row.module), path, options);
    }
    if (const ToolOpener opener = toolOpener(tool))
        return opener(path, options);
    qWarning("Brivo: the tool in the folder %s names no opener", row.folder);
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
        openerOverride() ? openerOverride()(tool, path, options) : makeWindow(tool, path, options);
    if (!window)
        return nullptr;
    keepUntilClosed(window);
    window->show();
    return window;
}

} // namespace brivo
