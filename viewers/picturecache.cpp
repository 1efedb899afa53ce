#include "viewers/picturecache.h"

#include "viewers/picturedecode.h"

#include <QPromise>
#include <QThread>

namespace brivo {

namespace {

QFuture<QImage> readyFuture(const QImage &image)
{
    QPromise<QImage> promise;
    promise.start();
    promise.addResult(image);
    promise.finish();
    return promise.future();
}

} // namespace

PictureCache::PictureCache(qint64 aheadBudget) : m_aheadBudget(aheadBudget)
{
    // Two neighbours at most are decoded ahead; one thread each, but never every core, so that the window
    // stays responsive on a small machine.
    m_threads.setMaxThreadCount(qBound(1, QThread::idealThreadCount() - 1, 2));
    m_letGo.setMaxThreadCount(1);
}

PictureCache::~PictureCache()
{
    for (const Entry &entry : std::as_const(m_entries))
        entry.state->store(Dropped);
    m_threads.waitForDone();
}

QImage PictureCache::picture(const QString &path)
{
    const FileStamp stamp = fileStamp(path);
    auto found = m_entries.find(path);
    if (found != m_entries.end() && found->stamp == stamp) {
        int expected = Queued;
        // A decode that is under way is awaited, not started twice; one still waiting for a thread is
        // done here and now rather than after whatever the threads are busy with.
        if (!found->state->compare_exchange_strong(expected, Dropped))
            return found->future.result();
    }
    forget(path);
    const QImage image = decodePicture(path);
    m_entries.insert(path, {readyFuture(image), stamp, 0, std::make_shared<std::atomic<int>>(Running)});
    return image;
}

QFuture<QImage> PictureCache::request(const QString &path)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it.key() != path && !it->future.isFinished()) {
            it->state->store(Dropped);
            letGo(std::move(it->future));
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    const auto found = m_entries.constFind(path);
    if (found != m_entries.constEnd() && found->stamp == fileStamp(path))
        return found->future;
    forget(path);
    decodeAhead(path, 0, 1);
    return m_entries.value(path).future;
}

void PictureCache::keepOnly(const QString &shown, const QStringList &ahead)
{
    const QStringList held = m_entries.keys();
    for (const QString &path : held) {
        if (path != shown && !ahead.contains(path))
            forget(path);
    }
    qint64 spent = 0;
    for (const Entry &entry : std::as_const(m_entries))
        spent += entry.cost;
    for (const QString &path : ahead) {
        if (m_entries.contains(path))
            continue;
        const qint64 cost = decodedPictureBytes(path);
        // A name that is no picture (a folder, a damaged file) is not worth a thread; it fails again, and
        // quickly, when it is stepped to.
        if (cost <= 0 || spent + cost > m_aheadBudget)
            continue;
        spent += cost;
        decodeAhead(path, cost);
    }
}

bool PictureCache::isReady(const QString &path) const
{
    const auto found = m_entries.constFind(path);
    return found != m_entries.constEnd() && found->future.isFinished() && found->future.resultCount() > 0 &&
           found->stamp == fileStamp(path);
}

void PictureCache::decodeAhead(const QString &path, qint64 cost, int priority)
{
    auto promise = std::make_shared<QPromise<QImage>>();
    auto state = std::make_shared<std::atomic<int>>(Queued);
    promise->start();
    m_entries.insert(path, {promise->future(), fileStamp(path), cost, state});
    m_threads.start(
        [promise, state, path] {
            int expected = Queued;
            if (state->compare_exchange_strong(expected, Running))
                promise->addResult(decodePicture(path, [&state] { return state->load() == Dropped; }));
            promise->finish();
        },
        priority);
}

void PictureCache::forget(const QString &path)
{
    const auto found = m_entries.find(path);
    if (found == m_entries.end())
        return;
    // A decode already running stops early; what it made is freed with the last reference.
    found->state->store(Dropped);
    letGo(std::move(found->future));
    m_entries.erase(found);
}

void PictureCache::letGo(QFuture<QImage> &&picture)
{
    // Giving back the memory of a large picture takes the system several milliseconds (tens for a
    // 100-megapixel one), which the window would spend not reacting if the last reference went here.
    m_letGo.start([picture = std::move(picture)]() mutable { picture = QFuture<QImage>(); });
}

} // namespace brivo
