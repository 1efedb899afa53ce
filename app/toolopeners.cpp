#include "app/toolopeners.h"

#include "app/moduleloader.h"
#include "common/screenfit.h"
#include "common/windowkeeper.h"
#include "web/sharedglcontext.h"

#include <QMessageBox>
#include <QWidget>

namespace brivo {

namespace {

// Says that a tool whose module this build was made without cannot open, rather than naming a file that
// was never built as missing.
void reportNotInBuild(Tool tool)
{
    const QString text =
        tool == Tool::WebBrowser
            ? QStringLiteral("The web browser is not part of this build of Brivo: it was built without Qt "
                             "WebEngine.")
            : QStringLiteral("This tool is not part of this build of Brivo.");
    QMessageBox::information(nullptr, QStringLiteral("Not in this build"), text, QMessageBox::Ok);
}

// Makes the window the way the tool table says: a tool in a module through the module's entry point,
// a linked tool through the opener its folder named.
QWidget *makeWindow(Tool tool, const QString &path, const OpenOptions &options)
{
    const ToolDescription &row = describe(tool);
    if (row.module) {
        if (!moduleInBuild(QString::fromLatin1(row.module))) {
            reportNotInBuild(tool);
            return nullptr;
        }
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
    keepOnScreen(window);
    window->show();
    return window;
}

} // namespace brivo
