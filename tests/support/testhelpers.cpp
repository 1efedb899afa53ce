#include "tests/support/testhelpers.h"

#include "common/windowkeeper.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace brivo::test {

bool sendDrop(QWidget *target, QMimeData *data, std::optional<QPoint> at)
{
    const QPoint centre = at.value_or(target->rect().center());
    QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool sendDropUrls(QWidget *target, const QList<QUrl> &urls, std::optional<QPoint> at)
{
    QMimeData data;
    data.setUrls(urls);
    return sendDrop(target, &data, at);
}

void closeAllWindows()
{
    brivo::deleteKeptWindows();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->hide();
    QApplication::processEvents();
}

ActAsNobody::ActAsNobody()
{
#ifdef Q_OS_UNIX
    constexpr uid_t nobody = 65534;
    if (geteuid() == 0)
        m_switched = setegid(nobody) == 0 && seteuid(nobody) == 0;
#endif
}

ActAsNobody::~ActAsNobody()
{
#ifdef Q_OS_UNIX
    if (m_switched && seteuid(0) == 0)
        setegid(0);
#endif
}

void openToEveryone(const QString &folder)
{
    const auto all = QFileDevice::Permissions(0x7777);
    QFile::setPermissions(folder, all);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), all);
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
#ifdef Q_OS_UNIX
    // A write past the limit fails with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = qint64(limit.rlim_cur);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
#else
    Q_UNUSED(bytes)
#endif
}

FileSizeLimit::~FileSizeLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool waitForProcessEnd(qint64 pid, int ms)
{
    if (pid <= 0)
        return false;
    for (QDeadlineTimer deadline(ms);; QTest::qWait(20)) {
#ifdef Q_OS_UNIX
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            return true;
        // Ended, with only its status left for a parent to collect.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z "))
            return true;
#else
        return true; // no cheap check elsewhere; the tests that call this run where there is one
#endif
        if (deadline.hasExpired())
            return false;
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray makePdf(const QList<std::pair<QSize, QByteArray>> &pages)
{
    QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", {}};
    QByteArray kids;
    for (const auto &[size, colour] : pages) {
        const QByteArray box = QByteArray::number(size.width()) + ' ' + QByteArray::number(size.height());
        const QByteArray draw = colour.isEmpty() ? QByteArray()
                                                 : colour + " rg 0 0 " + box + " re f 0 g 0 " +
                                                       QByteArray::number(size.height() - 36) + " 36 36 re f";
        kids += QByteArray::number(objects.size() + 1) + " 0 R ";
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + box + "] /Contents " +
                       QByteArray::number(objects.size() + 2) + " 0 R >>";
        objects << "<< /Length " + QByteArray::number(draw.size()) + " >>\nstream\n" + draw + "\nendstream";
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>";
    return pdfFromObjects(objects);
}

QByteArray pdfFromObjects(const QList<QByteArray> &objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(pdf.size()) + "\n%%EOF\n";
}

QByteArray wavBytes(int ms)
{
    const quint32 rate = 8000, size = rate * quint32(ms) / 1000 * 2;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + size);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << size;
    return bytes + QByteArray(int(size), '\0');
}

QByteArray gifAnimation(int frames, bool loop)
{
    QByteArray gif = QByteArray::fromHex("474946383961 0100 0100 f1 00 00  ff0000 00ff00 0000ff 000000");
    if (loop)
        gif += QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("03 01 0000 00");
    for (int i = 0; i < frames; ++i) {
        gif += QByteArray::fromHex("21f904 00 0200 00 00  2c 0000 0000 0100 0100 00  02");
        // Three-bit codes, least significant bit first: clear (4), colour i, end (5).
        const int codes = 4 | (i % 3) << 3 | 5 << 6;
        gif += QByteArray::fromHex("02") + char(codes & 0xff) + char(codes >> 8) + '\0';
    }
    return gif + ';';
}

} // namespace brivo::test
