#include "bench/common/watchedrun.h"

#include "bench/common/childprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QSet>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace brivo::bench {

namespace {

// How often the CPU time is read: the resolution of a settled program's ready moment.
constexpr int kSampleMs = 2;
// A drawing of less than this many pixels is a blinking cursor or a ticking clock, not content.
constexpr int kPaintArea = 32 * 32;
// A sample this far from silence is sound.
constexpr int kSoundLevel = 256;

// The CPU time of all threads of a process, read from /proc. A thread's last reading is kept when it
// ends, so that work done on a worker thread that is gone still counts.
class ProcessClock
{
public:
    explicit ProcessClock(pid_t pid) : m_pid(pid) { m_sinceScan.start(); }
    ~ProcessClock()
    {
        for (const Thread &thread : std::as_const(m_threads)) {
            if (thread.fd >= 0)
                close(thread.fd);
        }
    }
    ProcessClock(const ProcessClock &) = delete;
    ProcessClock &operator=(const ProcessClock &) = delete;

    double usedMs()
    {
        // New threads are looked for every 10 ms; reading the ones known is cheap.
        if (m_threads.isEmpty() || m_sinceScan.elapsed() >= 10) {
            scanThreads();
            m_sinceScan.restart();
        }
        double total = 0;
        for (Thread &thread : m_threads) {
            if (thread.fd >= 0) {
                char text[96];
                const ssize_t got = pread(thread.fd, text, sizeof text - 1, 0);
                if (got > 0) {
                    text[got] = 0;
                    thread.usedMs = std::strtod(text, nullptr) / 1e6;
                } else {
                    close(thread.fd);
                    thread.fd = -1;
                }
            }
            total += thread.usedMs;
        }
        return total;
    }

private:
    struct Thread
    {
        int fd = -1;
        double usedMs = 0;
    };

    void scanThreads()
    {
        const QByteArray folder = QByteArray("/proc/") + QByteArray::number(m_pid) + "/task";
        DIR *tasks = opendir(folder.constData());
        if (!tasks)
            return;
        while (const dirent *entry = readdir(tasks)) {
            const int tid = std::atoi(entry->d_name);
            if (tid <= 0 || m_threads.contains(tid))
                continue;
            const QByteArray path = folder + '/' + entry->d_name + "/schedstat";
            m_threads.insert(tid, Thread{open(path.constData(), O_RDONLY | O_CLOEXEC), 0});
        }
        closedir(tasks);
    }

    pid_t m_pid;
    QHash<int, Thread> m_threads;
    QElapsedTimer m_sinceScan;
};

// Hears the speaker through a sound server's monitor source: `parec` writes what it records to a pipe.
class SoundListener
{
public:
    ~SoundListener()
    {
        if (m_pid > 0) {
            kill(-m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_fd >= 0)
            close(m_fd);
    }

    // Starts recording and waits until silence arrives, so that the first sound is not lost in start-up.
    QString start(const QString &source)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return QStringLiteral("no pipe for the sound recorder");
        m_pid = startProcess(QStringLiteral("parec"),
                             {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                              QStringLiteral("--channels=1"), QStringLiteral("--rate=8000"),
                              QStringLiteral("--latency-msec=10"), QStringLiteral("-d"), source},
                             {}, {}, QStringLiteral("/dev/null"), ends[1]);
        close(ends[1]);
        m_fd = ends[0];
        fcntl(m_fd, F_SETFL, O_NONBLOCK);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            pollfd ready = {m_fd, POLLIN, 0};
            if (poll(&ready, 1, 50) > 0) {
                char bytes[4096];
                const ssize_t got = read(m_fd, bytes, sizeof bytes);
                if (got > 0)
                    return {};
                if (got == 0)
                    break;
            }
        }
        return QStringLiteral("the sound recorder (parec) heard nothing from %1").arg(source);
    }

    int fd() const { return m_fd; }

    // Reads what arrived; true once anything louder than silence has.
    bool heardSound()
    {
        char bytes[8192];
        ssize_t got = -1;
        bool heard = false;
        while (m_fd >= 0 && (got = read(m_fd, bytes, sizeof bytes)) > 0)
            heard = m_detector.take(bytes, got);
        if (m_fd >= 0 && got == 0) {
            // The recorder is gone: nothing more will be heard, and an ended pipe would wake every poll.
            close(m_fd);
            m_fd = -1;
        }
        return heard;
    }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    SoundDetector m_detector{kSoundLevel};
};

// The X side: every top-level window created while the program runs is watched for drawing from the
// moment it exists, so that no paint is missed; it counts once it is mapped and says it belongs to the
// program (_NET_WM_PID). Expects no window manager, which would put the program's windows into frames.
class WindowWatch
{
public:
    ~WindowWatch()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    QString open()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return QStringLiteral("cannot connect to the X server");
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        m_root = screens.data->root;
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!damage || !damage->present)
            return QStringLiteral("the X server has no DAMAGE extension");
        m_damageEvent = damage->first_event;
        free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1),
                                            nullptr));
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        m_pidAtom = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(atom);
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        return {};
    }

    int fd() const { return xcb_get_file_descriptor(m_connection); }
    bool lost() const { return xcb_connection_has_error(m_connection) != 0; }

    // Handles the events that arrived, noting in `seen` what the program with `pid` showed and drew.
    void takeEvents(pid_t pid, double nowMs, Observation &seen)
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                if (created->parent == m_root)
                    xcb_damage_create(m_connection, xcb_generate_id(m_connection), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            } else if (type == XCB_MAP_NOTIFY) {
                const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (mapped->event == m_root && ownedBy(mapped->window, pid)) {
                    m_owned.insert(mapped->window);
                    if (seen.shownMs < 0)
                        seen.shownMs = nowMs;
                }
            } else if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
                const auto *gone = reinterpret_cast<xcb_unmap_notify_event_t *>(event);
                if (gone->event == m_root)
                    m_owned.remove(gone->window);
            } else if (type == m_damageEvent + XCB_DAMAGE_NOTIFY) {
                const auto *damage = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                if (m_owned.contains(damage->drawable) &&
                    damage->area.width * damage->area.height >= kPaintArea &&
                    (seen.paints.isEmpty() || seen.paints.constLast() != nowMs))
                    seen.paints.append(nowMs);
            }
            free(event);
        }
        xcb_flush(m_connection);
    }

    // Saves the largest of the program's mapped windows as it is on the screen.
    bool saveLargestWindow(const QString &path)
    {
        xcb_window_t largest = XCB_WINDOW_NONE;
        int largestArea = 0;
        QSize size;
        for (xcb_window_t window : std::as_const(m_owned)) {
            xcb_get_geometry_reply_t *geometry =
                xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
            if (geometry && geometry->width * geometry->height > largestArea) {
                largest = window;
                largestArea = geometry->width * geometry->height;
                size = QSize(geometry->width, geometry->height);
            }
            free(geometry);
        }
        if (largest == XCB_WINDOW_NONE)
            return false;
        xcb_get_image_reply_t *image =
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, largest, 0, 0,
                                              uint16_t(size.width()), uint16_t(size.height()), ~0u),
                                nullptr);
        if (!image)
            return false;
        const bool saved = image->depth == 24 &&
                           xcb_get_image_data_length(image) >= size.width() * size.height() * 4 &&
                           QImage(xcb_get_image_data(image), size.width(), size.height(), size.width() * 4,
                                  QImage::Format_RGB32)
                               .save(path);
        free(image);
        return saved;
    }

private:
    bool ownedBy(xcb_window_t window, pid_t pid)
    {
        xcb_get_property_reply_t *property = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        const bool owned = property && xcb_get_property_value_length(property) == 4 &&
                           *static_cast<const uint32_t *>(xcb_get_property_value(property)) == uint32_t(pid);
        free(property);
        return owned;
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    uint8_t m_damageEvent = 0;
    QSet<xcb_window_t> m_owned;
};

// The CPU time used by `atMs`, from the first sample at or after it.
double cpuAt(const Observation &seen, double atMs)
{
    for (const CpuSample &sample : seen.cpu) {
        if (sample.atMs >= atMs)
            return sample.usedMs;
    }
    return seen.cpu.isEmpty() ? 0 : seen.cpu.constLast().usedMs;
}

QString whatWasSeen(const Observation &seen, ReadyWhen when)
{
    if (seen.shownMs < 0)
        return QStringLiteral("showed no window");
    if (seen.paints.isEmpty())
        return QStringLiteral("showed a window but drew nothing in it");
    if (when == ReadyWhen::Playing && seen.soundMs < 0)
        return QStringLiteral("showed its window but made no sound");
    return QStringLiteral("showed its window but never settled");
}

} // namespace

QMap<QString, QString> homeUnder(const QString &folder)
{
    return {{QStringLiteral("HOME"), folder},
            {QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/.config")},
            {QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/.local/share")},
            {QStringLiteral("XDG_STATE_HOME"), folder + QStringLiteral("/.local/state")},
            {QStringLiteral("XDG_CACHE_HOME"), folder + QStringLiteral("/.cache")},
            {QStringLiteral("BRIVO_ROOT"), folder + QStringLiteral("/Brivo")}};
}

WatchedRunResult watchRun(const WatchedRunSpec &request)
{
    WatchedRunResult result;
    WindowWatch windows;
    if (const QString problem = windows.open(); !problem.isEmpty()) {
        result.failure = problem;
        return result;
    }
    SoundListener sound;
    const bool listening = request.rule.when == ReadyWhen::Playing;
    if (listening) {
        if (const QString problem = sound.start(request.soundSource); !problem.isEmpty()) {
            result.failure = problem;
            return result;
        }
    }

    QElapsedTimer clock;
    clock.start();
    const pid_t pid =
        startProcess(request.program, request.arguments, request.environment, request.workingDirectory,
                     request.logPath.isEmpty() ? QStringLiteral("/dev/null") : request.logPath);
    if (pid < 0) {
        result.failure = QStringLiteral("could not be started");
        return result;
    }
    ProcessClock cpu(pid);
    Observation seen;
    double lastJudged = 0;
    for (;;) {
        pollfd waiting[2] = {{windows.fd(), POLLIN, 0}, {listening ? sound.fd() : -1, POLLIN, 0}};
        poll(waiting, 2, kSampleMs);
        const double now = clock.nsecsElapsed() / 1e6;
        windows.takeEvents(pid, now, seen);
        // What the recorder wrote is read even after the first sound, so that it never waits to be read.
        if (listening && sound.heardSound() && seen.soundMs < 0)
            seen.soundMs = now;
        if (seen.cpu.isEmpty() || now - seen.cpu.constLast().atMs >= kSampleMs)
            seen.cpu.append({now, cpu.usedMs()});

        if (windows.lost()) {
            result.failure = QStringLiteral("could not be watched: the connection to the X server broke");
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            result.failure =
                WIFEXITED(status)
                    ? QStringLiteral("ended with exit code %1 before it was ready").arg(WEXITSTATUS(status))
                    : QStringLiteral("was killed by signal %1 before it was ready").arg(WTERMSIG(status));
            kill(-pid, SIGKILL);
            return result;
        }
        if (now - lastJudged >= 20) {
            lastJudged = now;
            if (const auto ready = readyMoment(seen, request.rule, now)) {
                result.ready = true;
                result.readyMs = *ready;
                result.cpuMs = cpuAt(seen, *ready);
                result.peakMiB = statusMiB(pid, "VmHWM:");
                result.residentMiB = statusMiB(pid, "VmRSS:");
                // BRIVO_BENCH_TRACE shows what each run was judged on.
                if (qEnvironmentVariableIsSet("BRIVO_BENCH_TRACE"))
                    std::fprintf(
                        stderr, "%s: shown %.1f, %lld paints (%.1f to %.1f), sound %.1f, ready %.1f ms\n",
                        qPrintable(request.program), seen.shownMs, static_cast<long long>(seen.paints.size()),
                        seen.paints.constFirst(), seen.paints.constLast(), seen.soundMs, *ready);
                if (!request.screenshotPath.isEmpty())
                    windows.saveLargestWindow(request.screenshotPath);
                break;
            }
        }
        if (now > request.timeoutMs) {
            result.failure = QStringLiteral("%1 within %2 s")
                                 .arg(whatWasSeen(seen, request.rule.when))
                                 .arg(request.timeoutMs / 1000);
            break;
        }
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return result;
}

} // namespace brivo::bench
