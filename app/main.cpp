// Brivo: nine everyday tools behind one home launcher. Started with a file, it opens the tool for the
// file's type; started bare, it shows the launcher.
#include "app/commandline.h"
#include "app/doch.h"
#include "app/recoveryoffer.h"
#include "app/sessionend.h"
#include "app/toolopeners.h"
#include "common/conventions.h"
#include "common/windowkeeper.h"
#include "platform/endrequest.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// For the start-up benchmark: when BRIVO_QUIT_AFTER_FIRST_PAINT is set, the program ends as soon as its
// first window has painted, so that the time from start to first paint can be measured from outside.
class FirstPaintQuit : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

// Qt 6.4's Wayland client can deadlock while the application object closes its display connection (its
// event thread waits for a read that the main thread never finishes), leaving a process without windows
// that never ends. Everything of Brivo's is done by the time that teardown starts, so should it take
// longer than `limit`, the process ends with `result` all the same.
void endTeardownWithin(std::chrono::seconds limit, int result)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    std::thread([limit, result] {
        std::this_thread::sleep_for(limit);
        std::fflush(nullptr);
        std::_Exit(result);
    }).detach();
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before the application object exists: printing the usage needs no display.
    if (const auto answer = brivo::commandLineAnswer(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString()))
        return brivo::printText(*answer, stdout) ? 0 : 1;

    // A wrong tool name is answered without a display too.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const brivo::ToolArgument chosen = brivo::toolOfArguments(arguments);
    if (!chosen.error.isEmpty()) {
        brivo::printText(chosen.error + QLatin1Char('\n'), stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("brivo"));
    // Windows that set no icon of their own show the program's icon.
    QApplication::setWindowIcon(brivo::homeIconImage());

    // A logout or a closed terminal ends the program as closing every window would, without questions.
    brivo::endSessionOnRequest();

    if (qEnvironmentVariableIsSet("BRIVO_QUIT_AFTER_FIRST_PAINT"))
        app.installEventFilter(new FirstPaintQuit(&app));

    {
        // The command-line path arrives in the system's local encoding; arguments() decodes it so.
        const brivo::ArgumentFile file =
            brivo::fileOfArgument(QCoreApplication::arguments().value(chosen.fileIndex));
        if (!file.error.isEmpty()) {
            brivo::printText(file.error + QLatin1Char('\n'), stderr);
            return 2;
        }
        // Text that an earlier Brivo process could not save comes first, whatever this one opens.
        brivo::offerRecoveredDocuments();
        if (chosen.tool) {
            brivo::OpenOptions options;
            options.audioOnly = brivo::isAudioOnlyExtension(QFileInfo(file.path).suffix());
            brivo::openTool(*chosen.tool, file.path, options);
        } else {
            doch dispatcher;
            dispatcher.doallforshow(file.path);
        }
    }

    // A dispatch that could show nothing (a tool that failed to load) leaves nothing to wait for.
    // Nor does a session that ended while the start-up dispatch was still under way.
    int result = 1;
    if (brivo::sessionEnded())
        result = 0;
    else if (brivo::anyWindowVisible())
        result = app.exec();
    brivo::deleteKeptWindows();
    brivo::endRequestsEndAtOnce();
    endTeardownWithin(std::chrono::seconds(10), result);
    return result;
}
