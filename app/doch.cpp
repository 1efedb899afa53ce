#include "app/doch.h"

#include "app/extensiongroups.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "common/homeactions.h"
#include "common/windowkeeper.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include <optional>

namespace {

// The tool whose extension `path` has, if any: the tool it opens in without a question.
std::optional<brivo::Tool> claimingTool(const QString &path)
{
    return brivo::hasDot(path) ? brivo::toolForExtension(brivo::extensionOf(path)) : std::nullopt;
}

bool dispatchPath(const QString &path)
{
    const bool claimed = claimingTool(path).has_value();
    doch dispatcher;
    dispatcher.doallforshow(path);
    return claimed;
}

void openPathInTool(brivo::Tool tool, const QString &path)
{
    brivo::openTool(tool, path);
}

void dispatchAddress(const QUrl &address)
{
    brivo::OpenOptions options;
    options.webAddress = true;
    brivo::openTool(brivo::Tool::WebBrowser, address.toString(QUrl::FullyEncoded), options);
}

// The tools' home and drop actions end in this dispatch or opening. It is installed as the application
// object is made, so the program and every test program that links the shell go home and take drops alike.
void installShellDispatch()
{
    brivo::installDispatch(dispatchPath, openPathInTool);
    brivo::installAddressDispatch(dispatchAddress);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installShellDispatch)

doch::doch(QWidget *parent) : QWidget(parent) {}

void doch::doallforshow()
{
    doallforshow(path);
}

void doch::doallforshow(QString p)
{
    if (const std::optional<brivo::Tool> tool = claimingTool(p)) {
        brivo::OpenOptions options;
        options.audioOnly = brivo::isAudioOnlyExtension(brivo::extensionOf(p));
        brivo::openTool(*tool, p, options);
        return;
    }

    auto *launcher = new showmain();
    brivo::keepUntilClosed(launcher);
    if (!p.isEmpty() && QFileInfo::exists(p)) {
        launcher->pendingPath = p;
        launcher->chooserMode = 1;
    }
    launcher->buildUi();
    launcher->show();
}
