#include "app/doch.h"

#include "app/extensiongroups.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "app/windowkeeper.h"

#include <QFileInfo>

doch::doch(QWidget *parent) : QWidget(parent) {}

void doch::doallforshow()
{
    doallforshow(path);
}

void doch::doallforshow(QString p)
{
    if (brivo::hasDot(p)) {
        const QString extension = brivo::extensionOf(p);
        if (const auto tool = brivo::toolForExtension(extension)) {
            brivo::OpenOptions options;
            options.audioOnly = extension == QLatin1String("mp3");
            brivo::openTool(*tool, p, options);
            return;
        }
    }

    auto *launcher = new showmain();
    brivo::keepUntilExit(launcher);
    if (!p.isEmpty() && QFileInfo::exists(p)) {
        launcher->pendingPath = p;
        launcher->chooserMode = 1;
    }
    launcher->buildUi();
    launcher->show();
}
