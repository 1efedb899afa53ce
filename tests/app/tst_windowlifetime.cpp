// Windows opened the way a user opens them (a file dropped on a launcher that the home action opened, or
// a launcher's tile) are deleted once closed, and leave no thread or process behind; a close that the
// save question stops keeps the window and its text.
#include "app/showmain.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAbstractScrollArea>
#include <QCommandLinkButton>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace {

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Every process below `pid`, through the kernel's lists of each thread's children.
int descendants(qint64 pid)
{
    int count = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : children.readAll().split(' ')) {
            if (const qint64 id = child.trimmed().toLongLong())
                count += 1 + descendants(id);
        }
    }
    return count;
}

int childProcesses()
{
    return descendants(QCoreApplication::applicationPid());
}

QList<QWidget *> shownWindows()
{
    QList<QWidget *> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown.append(w);
    return shown;
}

// The first shown window that is not in `before`, once there is one.
QWidget *waitForNewWindow(const QList<QWidget *> &before)
{
    QWidget *found = nullptr;
    const auto appeared = [&] {
        for (QWidget *w : shownWindows())
            if (!before.contains(w))
                found = w;
        return found != nullptr;
    };
    if (!QTest::qWaitFor(appeared, 20000))
        return nullptr;
    return found;
}

// The text area of an editor window.
QAbstractScrollArea *textArea(QWidget *window)
{
    for (auto *area : window->findChildren<QAbstractScrollArea *>())
        if (area->metaObject()->indexOfProperty("plainText") >= 0 && area->isVisible())
            return area;
    return nullptr;
}

} // namespace

class tst_windowlifetime : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // An "IDE" folder, so the code editor has no "No Compilers found" to say.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("work/IDE"))));
        // The shared pool's idle threads, which no window owns, end at once rather than after half a
        // minute, so that a thread counted is one that something keeps.
        QThreadPool::globalInstance()->setExpiryTimeout(50);
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    // Three times over, each window goes once closed (with the launcher its file was dropped on), and
    // what the first round started is all there is after the third.
    void closedWindowsGo_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("window");
        QTest::newRow("notepad") << "notes.txt" << QByteArray("some words\n") << QByteArray("txtedit");
        QTest::newRow("code editor") << "main.cpp" << QByteArray("int main() {}\n") << QByteArray("ide");
        QTest::newRow("image viewer") << "picture.png" << QByteArray() << QByteArray("imgv");
        QTest::newRow("pdf viewer") << "paper.pdf"
                                    << brivo::test::makePdf(
                                           {{QSize(300, 400), "0 0 1"}, {QSize(300, 400), {}}})
                                    << QByteArray("pdf");
        QTest::newRow("gif viewer") << "moving.gif" << brivo::test::gifAnimation(4, true)
                                    << QByteArray("gif");
        QTest::newRow("media player") << "tone.wav" << brivo::test::wavBytes(3000) << QByteArray("av");
        QTest::newRow("browser") << "page.html"
                                 << QByteArray("<p id=t>0</p><script>let n=0;"
                                               "setInterval(()=>{t.textContent=++n},50)</script>")
                                 << QByteArray("web");
        QTest::newRow("archive tool")
            << "files.zip" << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0') << QByteArray("Widget");
        QTest::newRow("snapshot") << QString() << QByteArray() << QByteArray("desktop");
    }
    void closedWindowsGo()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, window);
        brivo::test::ModalAnswerer answers;
        brivo::test::CurrentDirectory work(m_dir.filePath(QStringLiteral("work")));
        const QString path = file.isEmpty() ? QString() : m_dir.filePath(file);
        if (path.endsWith(QLatin1String(".png"))) {
            QImage picture(640, 480, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            QVERIFY(picture.save(path));
        } else {
            QVERIFY(path.isEmpty() || brivo::test::writeFile(path, bytes));
        }

        int threads = 0, children = 0;
        for (int round = 1; round <= 3; ++round) {
            QList<QWidget *> before = shownWindows();
            brivo::goHome();
            const QPointer<showmain> launcher = qobject_cast<showmain *>(waitForNewWindow(before));
            QVERIFY(launcher);
            before = shownWindows();
            if (path.isEmpty()) {
                // The snapshot opens from its tile, and the launcher steps aside for it.
                const QString tile = QString::fromLatin1(brivo::describe(brivo::Tool::Snapshot).tile.text);
                for (auto *button : launcher->findChildren<QCommandLinkButton *>())
                    if (button->text() == tile)
                        button->click();
            } else {
                QVERIFY(brivo::test::sendDropUrls(launcher, {QUrl::fromLocalFile(path)}));
            }
            const QPointer<QWidget> shown = waitForNewWindow(before);
            QVERIFY(shown);
            QCOMPARE(QByteArray(shown->metaObject()->className()), window);
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            // Long enough for the file to be shown, the page to run and the player to start.
            QTest::qWait(300);

            QVERIFY(shown->close());
            QTRY_VERIFY2(!shown, "the closed window is still there");
            QTRY_VERIFY2(!launcher, "the launcher that stepped aside is still there");
            if (round == 1) {
                // What the first window started and keeps for the process (an engine's helpers) has
                // settled once the counts stop falling.
                QTest::qWait(500);
                threads = threadCount();
                children = childProcesses();
            } else {
                QTRY_VERIFY2(threadCount() <= threads,
                             qPrintable(QStringLiteral("%1 threads after round %2, %3 after the first")
                                            .arg(threadCount())
                                            .arg(round)
                                            .arg(threads)));
                QTRY_VERIFY2(
                    childProcesses() <= children,
                    qPrintable(QStringLiteral("%1 child processes after round %2, %3 after the first")
                                   .arg(childProcesses())
                                   .arg(round)
                                   .arg(children)));
            }
        }
        QCOMPARE(answers.unexpected(), 0);
    }

    // An editor with unsaved text still asks before it closes: Cancel keeps the window, open and whole,
    // with its text; Discard lets it go.
    void unsavedTextStillStopsAClose_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("notepad") << "draft.txt";
        QTest::newRow("code editor") << "draft.cpp";
    }
    void unsavedTextStillStopsAClose()
    {
        QFETCH(QString, file);
        brivo::test::ModalAnswerer answers;
        brivo::test::CurrentDirectory work(m_dir.filePath(QStringLiteral("work")));
        const QString path = m_dir.filePath(file);
        QVERIFY(brivo::test::writeFile(path, "saved\n"));

        QList<QWidget *> before = shownWindows();
        brivo::goHome();
        QWidget *launcher = waitForNewWindow(before);
        QVERIFY(launcher);
        before = shownWindows();
        QVERIFY(brivo::test::sendDropUrls(launcher, {QUrl::fromLocalFile(path)}));
        const QPointer<QWidget> editor = waitForNewWindow(before);
        QVERIFY(editor);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QAbstractScrollArea *area = textArea(editor);
        QVERIFY(area);
        QTest::keyClicks(area, QStringLiteral("unsaved "));
        const QString text = area->property("plainText").toString();
        QVERIFY(text.contains(QLatin1String("unsaved")));

        answers.press(QMessageBox::Cancel);
        QVERIFY(!editor->close());
        QVERIFY(answers.waitUntilAnswered());
        QTest::qWait(100);
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(area->property("plainText").toString(), text);
        QCOMPARE(brivo::test::readFile(path), QByteArray("saved\n"));

        answers.press(QMessageBox::Discard);
        QVERIFY(editor->close());
        QTRY_VERIFY(!editor);
        QCOMPARE(brivo::test::readFile(path), QByteArray("saved\n"));
        QCOMPARE(answers.unexpected(), 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_windowlifetime)
#include "tst_windowlifetime.moc"
