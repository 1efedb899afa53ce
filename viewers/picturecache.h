// The decoded pictures around the one the image viewer shows, so that a step to a neighbour costs no
// decode.
#pragma once

#include "brivo_core_export.h"

#include "common/filestamp.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace brivo {

// Holds the shown picture and its neighbours, decoded in the background. Everything else is forgotten on
// each step, so memory stays at a few pictures whatever the folder's size. Used from one thread (the
// window's); the decoding runs on the cache's own threads.
class BRIVO_CORE_EXPORT PictureCache
{
public:
    // Neighbours are decoded ahead only while their decoded size together stays within `aheadBudget`
    // bytes; bigger ones are decoded when they are shown.
    explicit PictureCache(qint64 aheadBudget = qint64(1024) * 1024 * 1024);
    // Waits for decodes under way: they must not outlive the cache's threads.
    ~PictureCache();

    PictureCache(const PictureCache &) = delete;
    PictureCache &operator=(const PictureCache &) = delete;

    // The decoded picture at the absolute `path`; null when it does not decode. It comes from the cache
    // when the file has not changed since it was decoded, waiting for a decode that is under way; else it
    // is decoded now. The picture is kept until the next keepOnly().
    QImage picture(const QString &path);

    // The picture at `path` that the window is to show next, without waiting for it: the future is
    // finished once it is decoded (a null image when it does not decode). It comes from the cache when it
    // is held and the file has not changed; otherwise it is decoded ahead of everything else. Every other
    // decode under way or waiting stops, so that it has the processor to itself: a user stepping quickly
    // through large pictures waits for the one stopped on, not for those passed by.
    QFuture<QImage> request(const QString &path);

    // Keeps the pictures at `shown` and `ahead` and forgets all others (their decodes stop); those of
    // `ahead` not yet held start decoding in the background, in the order given.
    void keepOnly(const QString &shown, const QStringList &ahead);

    // Whether the picture at `path` is decoded, waiting, and still what the file holds.
    bool isReady(const QString &path) const;
    // How many pictures are held or being decoded.
    int size() const { return int(m_entries.size()); }

private:
    enum : int
    {
        Queued,
        Running,
        Dropped
    };
    struct Entry
    {
        QFuture<QImage> future;
        FileStamp stamp;
        qint64 cost = 0;
        // Queued until a thread starts the decode; Dropped when the picture was forgotten (or taken over
        // by picture()): a thread then skips it, or stops decoding it.
        std::shared_ptr<std::atomic<int>> state;
    };

    void decodeAhead(const QString &path, qint64 cost, int priority = 0);
    void forget(const QString &path);
    // Drops the cache's reference to a picture on a thread of its own.
    void letGo(QFuture<QImage> &&picture);

    QThreadPool m_threads;
    QThreadPool m_letGo;
    qint64 m_aheadBudget;
    QHash<QString, Entry> m_entries;
};

} // namespace brivo
