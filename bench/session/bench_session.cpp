// A long session in one process: twenty rounds, each opening and closing one window of every tool the way
// a user does (the home action opens a launcher and a file is dropped on it, or the launcher's tile is
// clicked), and what the process holds after the twentieth round against what it held after the first:
// resident memory, threads, timers of the GUI thread's objects and processes. A closed window must leave
// nothing behind. A launcher stays open all along, as the user's home, so that no close is the last one.
#include "app/showmain.h"
#include "bench/common/benchreport.h"
#include "bench/common/childprocess.h"
#include "bench/common/samplefiles.h"
#include "common/homeactions.h"
#include "common/tooltable.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLinkButton>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <unordered_set>

#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// QtCore calls the functions stored here as every QObject is made and destroyed (the hooks that
// debugging tools use); no public header declares it. Indices 3 and 4 hold the two calls.
QT_BEGIN_NAMESPACE
extern Q_CORE_EXPORT quintptr qtHookData[];
QT_END_NAMESPACE

namespace {

constexpr int kRounds = 20;
constexpr int kAddObjectHook = 3;
constexpr int kRemoveObjectHook = 4;

// Every QObject alive, whatever its thread.
std::mutex objectsMutex;
std::unordered_set<QObject *> &liveObjects()
{
    // Never destroyed: Qt's own objects of static lifetime go after main() has returned.
    static auto *objects = new std::unordered_set<QObject *>;
    return *objects;
}

void objectMade(QObject *object)
{
    std::lock_guard<std::mutex> lock(objectsMutex);
    liveObjects().insert(object);
}

void objectGone(QObject *object)
{
    std::lock_guard<std::mutex> lock(objectsMutex);
    liveObjects().erase(object);
}

void watchObjects()
{
    qtHookData[kAddObjectHook] = reinterpret_cast<quintptr>(&objectMade);
    qtHookData[kRemoveObjectHook] = reinterpret_cast<quintptr>(&objectGone);
}

// The timers that the GUI thread's objects have registered (QTimer, QBasicTimer, startTimer).
int guiThreadTimers()
{
    QThread *gui = QCoreApplication::instance()->thread();
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(gui);
    int timers = 0;
    // Held while reading: an object of another thread waits in its destructor until this is done.
    std::lock_guard<std::mutex> lock(objectsMutex);
    for (QObject *object : liveObjects()) {
        if (object->thread() == gui)
            timers += int(dispatcher->registeredTimers(object).size());
    }
    return timers;
}

// This process and every process below it.
int processTreeSize()
{
    QHash<pid_t, pid_t> parents;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and brackets, so read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parents.insert(pid, pid_t(fields.at(1).toInt()));
    }
    const pid_t self = getpid();
    int count = 0;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        pid_t pid = it.key();
        for (int depth = 0; depth < 64 && pid > 1; ++depth) {
            if (pid == self) {
                ++count;
                break;
            }
            pid = parents.value(pid, 0);
        }
    }
    return count;
}

int threads()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return 0;
}

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Runs the event loop for `ms`, as a user's session would between actions, then deletes what was let go.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs the event loop until the process has been quiet (under a fifth of a core) for a quarter second,
// `maxMs` at most.
void settle(int maxMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    double cpu = cpuMilliseconds();
    while (elapsed.elapsed() < maxMs) {
        runFor(250);
        const double now = cpuMilliseconds();
        if (now - cpu < 50)
            return;
        cpu = now;
    }
}

// Tells whether a window has painted since it was shown.
class PaintWatch : public QObject
{
public:
    PaintWatch() { qApp->installEventFilter(this); }
    bool painted(QWidget *window) const { return m_painted.contains(window); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            m_painted.insert(watched);
        else if (event->type() == QEvent::Destroy)
            m_painted.remove(watched);
        return false;
    }

private:
    QSet<QObject *> m_painted;
};

QList<QWidget *> visibleWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            windows.append(widget);
    return windows;
}

// Waits up to `ms` for a visible window that is not in `before`.
QWidget *newWindow(const QList<QWidget *> &before, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) {
        for (QWidget *window : visibleWindows())
            if (!before.contains(window))
                return window;
        runFor(20);
    }
    return nullptr;
}

// The home action, as a tool's home control runs it: the launcher it opens.
showmain *openLauncher()
{
    const QList<QWidget *> before = visibleWindows();
    brivo::goHome();
    return qobject_cast<showmain *>(newWindow(before, 10000));
}

// A file dropped on `target`, as the window system delivers it after a drag.
void dropFile(QWidget *target, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

// A click on the launcher's tile of `tool`.
bool clickTile(showmain *launcher, brivo::Tool tool)
{
    const QString text = QString::fromLatin1(brivo::describe(tool).tile.text);
    for (QCommandLinkButton *tile : launcher->findChildren<QCommandLinkButton *>()) {
        if (tile->text() == text) {
            tile->click();
            return true;
        }
    }
    return false;
}

// One window of a tool in a round: opened from the file dropped on a launcher, or from the tool's tile
// when there is no file.
struct Step
{
    brivo::Tool tool;
    QString file;
};

struct Holdings
{
    double residentMiB = 0;
    int threads = 0;
    int timers = 0;
    int processes = 0;
};

Holdings holdings()
{
    settle(5000);
#ifdef __GLIBC__
    // Memory freed by the closed windows goes back to the system, not only to malloc's free lists.
    malloc_trim(0);
#endif
    return {brivo::bench::statusMiB(getpid(), "VmRSS:"), threads(), guiThreadTimers(), processTreeSize()};
}

// Opens and closes one window per step. Returns an empty string, or what went wrong. The windows closed
// are added to `closed`.
QString runRound(const QList<Step> &steps, PaintWatch &paints, QList<QPointer<QWidget>> *closed)
{
    for (const Step &step : steps) {
        const QString name = brivo::toolName(step.tool);
        const QPointer<showmain> launcher = openLauncher();
        if (!launcher)
            return QStringLiteral("the home action opened no launcher");
        const QList<QWidget *> before = visibleWindows();
        if (step.file.isEmpty()) {
            if (!clickTile(launcher, step.tool))
                return QStringLiteral("the launcher has no tile for ") + name;
        } else {
            dropFile(launcher, step.file);
        }
        const QPointer<QWidget> window = newWindow(before, 20000);
        if (!window)
            return name + QStringLiteral(" opened no window");
        QElapsedTimer elapsed;
        elapsed.start();
        while (window && !paints.painted(window) && elapsed.elapsed() < 10000)
            runFor(20);
        settle(4000);
        if (!window)
            return name + QStringLiteral("'s window went away by itself");
        closed->append(window);
        window->close();
        if (window && window->isVisible())
            return name + QStringLiteral(" did not close");
        // A drop closes the launcher it lands on, and the snapshot's tile hides its launcher; one that a
        // tile left open (the archive tool's, when 7z made no archive) is closed as a user would.
        if (launcher && launcher->isVisible())
            launcher->close();
    }
    return {};
}

// The sample files, made in `folder`. Returns the steps of a round, or an empty list after printing why.
QList<Step> makeSamples(const QString &folder)
{
    using brivo::Tool;
    const auto path = [&](const char *name) { return folder + QLatin1Char('/') + QLatin1String(name); };
    const auto write = [](const QString &file, const QByteArray &bytes) {
        QFile out(file);
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    };
    const QByteArray text = brivo::bench::sampleText(1 << 20);
    bool made = write(path("notes.txt"), text) && write(path("program.cpp"), text);
    made = made && brivo::bench::photoLike(QSize(6000, 4000), 1).save(path("photo.jpg"), "JPG", 90);
    made = made && brivo::bench::photoLike(QSize(800, 600), 2).save(path("picture.png"), "PNG");
    made = made && brivo::bench::writeManual(path("manual.pdf"), 50);
    made = made && write(path("animation.gif"), brivo::bench::animatedGif(QSize(400, 300), 24));
    QByteArray page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Notes</title>"
                      "<style>body{font-family:sans-serif;margin:2em} p{line-height:1.5}</style></head><body>"
                      "<h1>Notes</h1><p id=\"tick\">0</p><img src=\"picture.png\" width=\"800\">";
    for (int i = 0; i < 200; ++i)
        page += "<p>" + text.mid(i * 400, 400).replace('<', ' ').replace('&', ' ') + "</p>";
    page += "<script>let n=0;setInterval(()=>{document.getElementById('tick').textContent=++n},100)</script>"
            "</body></html>";
    made = made && write(path("page.html"), page);
    if (!made) {
        std::fprintf(stderr, "bench_session: the sample files could not be written in %s\n",
                     qPrintable(folder));
        return {};
    }
    const QString video = brivo::bench::writeVideo(path("clip.avi"), 60);
    if (!video.isEmpty()) {
        std::fprintf(stderr, "bench_session: no video: %s\n", qPrintable(video));
        return {};
    }
    // The archive opens from a dropped file when 7z can make one, else from its tile.
    QString archive = path("bundle.zip");
    QProcess sevenZip;
    sevenZip.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-tzip"), archive,
                                          path("notes.txt"), path("picture.png")});
    if (!sevenZip.waitForFinished(60000) || sevenZip.exitCode() != 0) {
        std::fprintf(stderr, "bench_session: 7z made no archive; the archive tool opens from its tile\n");
        archive.clear();
    }
    return {{Tool::Notepad, path("notes.txt")},
            {Tool::CodeEditor, path("program.cpp")},
            {Tool::ImageViewer, path("photo.jpg")},
            {Tool::PdfViewer, path("manual.pdf")},
            {Tool::GifViewer, path("animation.gif")},
            {Tool::MediaPlayer, path("clip.avi")},
            {Tool::WebBrowser, path("page.html")},
            {Tool::Archive, archive},
            {Tool::Snapshot, QString()}};
}

} // namespace

int main(int argc, char *argv[])
{
    const brivo::bench::Figure memory{"long session: resident memory", "after round 1", 1.1, "MiB"};
    const brivo::bench::Figure threadCount{"long session: threads", "after round 1", 1.0, "threads"};
    const brivo::bench::Figure timerCount{"long session: GUI thread's timers", "after round 1", 1.0,
                                          "timers"};
    const brivo::bench::Figure processCount{"long session: processes", "after round 1", 1.0, "processes"};
    if (brivo::bench::listFigures(argc, argv,
                                  {memory.name, threadCount.name, timerCount.name, processCount.name}))
        return 0;
    watchObjects();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // The code editor finds a toolchain folder and asks nothing; recovery copies and remembered places
    // go to a folder of the run's own.
    QTemporaryDir root, state, samples;
    QDir(root.path()).mkpath(QStringLiteral("IDE"));
    qputenv("BRIVO_ROOT", QFile::encodeName(root.path()));
    qputenv("BRIVO_STATE_DIR", QFile::encodeName(state.path()));

    QApplication app(argc, argv);
    const QList<Step> steps = makeSamples(samples.path());
    if (steps.isEmpty())
        return 2;

    PaintWatch paints;
    if (!openLauncher()) {
        std::fprintf(stderr, "bench_session: the home action opened no launcher\n");
        return 2;
    }
    QList<QPointer<QWidget>> closed;
    Holdings first, last;
    for (int round = 1; round <= kRounds; ++round) {
        const QString failure = runRound(steps, paints, &closed);
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "bench_session: round %d: %s\n", round, qPrintable(failure));
            return 2;
        }
        const Holdings now = holdings();
        int alive = 0;
        for (const QPointer<QWidget> &window : std::as_const(closed))
            alive += window ? 1 : 0;
        std::fprintf(stderr,
                     "round %2d: %.1f MiB resident, %d threads, %d timers, %d processes, %d of %d closed "
                     "windows alive\n",
                     round, now.residentMiB, now.threads, now.timers, now.processes, alive,
                     int(closed.size()));
        (round == 1 ? first : last) = now;
    }

    bool holds = brivo::bench::report(memory, last.residentMiB, first.residentMiB);
    holds &= brivo::bench::report(threadCount, last.threads, first.threads);
    holds &= brivo::bench::report(timerCount, last.timers, first.timers);
    holds &= brivo::bench::report(processCount, last.processes, first.processes);
    return holds ? 0 : 1;
}
