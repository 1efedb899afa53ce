// Every tool's window opened the way a user opens it (a file dropped on a launcher that the home action
// opened, or a launcher's tile): each control says what it is to a pointer user and a screen reader, and
// Tab walks the controls in reading order; a closed window is deleted and leaves no thread or process
// behind; an editor with unsaved text asks first, and Cancel keeps it whole.
#include "app/showmain.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QDockWidget>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
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
    return QTest::qWaitFor(appeared, 20000) ? found : nullptr;
}

// The text area of an editor window.
QAbstractScrollArea *textArea(QWidget *window)
{
    for (auto *area : window->findChildren<QAbstractScrollArea *>())
        if (area->metaObject()->indexOfProperty("plainText") >= 0 && area->isVisible())
            return area;
    return nullptr;
}

bool isInside(const QWidget *widget, const char *className)
{
    for (const QWidget *w = widget->parentWidget(); w && !w->isWindow(); w = w->parentWidget()) {
        if (w->inherits(className))
            return true;
    }
    return false;
}

// The widget a screen reader and a pointer user meet for `widget`: the spin box or combo box a field is
// part of, or nothing for the scroll bars of a scroll area (read by their role, the area's own).
QWidget *speaker(QWidget *widget)
{
    if (qobject_cast<QScrollBar *>(widget) && isInside(widget, "QAbstractScrollArea"))
        return nullptr;
    if (qobject_cast<QLineEdit *>(widget)) {
        if (auto *owner = qobject_cast<QAbstractSpinBox *>(widget->parentWidget()))
            return owner;
        if (auto *owner = qobject_cast<QComboBox *>(widget->parentWidget()))
            return owner;
    }
    return widget;
}

// Every shown button, slider and field of `window` that neither shows words nor has a tooltip, or that a
// screen reader has no name for.
QString unexplained(QWidget *window)
{
    QStringList found;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(child) ||
                             qobject_cast<QAbstractSlider *>(child) || qobject_cast<QLineEdit *>(child);
        QWidget *widget = control && child->isVisible() ? speaker(child) : nullptr;
        if (!widget)
            continue;
        auto *button = qobject_cast<QAbstractButton *>(widget);
        const bool words = (button && !button->text().isEmpty()) || !widget->toolTip().isEmpty();
        QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(widget);
        const bool named = a11y && !a11y->text(QAccessible::Name).trimmed().isEmpty();
        if (!words || !named) {
            found.append(QStringLiteral("%1 \"%2\"%3%4")
                             .arg(QString::fromLatin1(widget->metaObject()->className()),
                                  widget->objectName(),
                                  words ? QString() : QStringLiteral(" without text or tooltip"),
                                  named ? QString() : QStringLiteral(" without accessible name")));
        }
    }
    return found.join(QStringLiteral("; "));
}

// Where Tab goes against reading order: a step back to the left within a row (two controls whose
// heights overlap), or a step up to an earlier row.
QString outOfOrder(QWidget *window)
{
    QList<QWidget *> chain;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
            !isInside(w, "QAbstractSpinBox") && !isInside(w, "QWebEngineView"))
            chain.append(w);
    }
    QStringList found;
    for (int i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
        const bool sameRow = a.top() <= b.bottom() && b.top() <= a.bottom();
        if ((sameRow && b.left() < a.left()) || (!sameRow && b.top() < a.top()))
            found.append(chain[i - 1]->objectName() + QStringLiteral(" -> ") + chain[i]->objectName());
    }
    return found.join(QStringLiteral("; "));
}

// What a pointer user and a screen reader meet in `window`, also in the controls that show on demand;
// empty when nothing is wrong.
QString accessibilityFaults(QWidget *window)
{
    QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(window);
    if (!a11y || a11y->text(QAccessible::Description).isEmpty())
        return QStringLiteral("the window does not say what it is");
    const QString order = outOfOrder(window), controls = unexplained(window);
    if (!order.isEmpty() || !controls.isEmpty())
        return controls + QStringLiteral(" Tab order: ") + order;
    const QByteArray className = window->metaObject()->className();
    if (className == "Widget") // the archive tool's password field
        window->findChild<QCheckBox *>()->click();
    if (className == "ide")
        window->findChild<QDockWidget *>(QStringLiteral("outputDock"))->show();
    if (className == "web")
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    QTest::qWait(300);
    return unexplained(window);
}

} // namespace

class tst_toolwindows : public QObject
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
    // A row of a window's table whose control is gone says so on the debug output.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^No control"))); }
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
        QTest::newRow("media player") << "clip.mp4" << brivo::test::wavBytes(3000) << QByteArray("av");
        QTest::newRow("audio player") << "tone.wav" << brivo::test::wavBytes(3000) << QByteArray("av");
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
            QVERIFY(launcher && QTest::qWaitForWindowExposed(launcher));
            if (round == 1)
                QVERIFY2(accessibilityFaults(launcher).isEmpty(), qPrintable(accessibilityFaults(launcher)));
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
            const bool editor = window == "txtedit" || window == "ide";
            if (QAbstractScrollArea *area = round == 1 && editor ? textArea(shown) : nullptr) {
                QTest::keyClicks(area, QStringLiteral("unsaved "));
                const QString text = area->property("plainText").toString();
                answers.press(QMessageBox::Cancel);
                QVERIFY(!shown->close() && answers.waitUntilAnswered());
                QTest::qWait(100);
                QVERIFY(shown && shown->isVisible() && area->property("plainText").toString() == text);
                QCOMPARE(brivo::test::readFile(path), bytes);
                answers.press(QMessageBox::Discard);
            }
            if (round == 1) {
                const QString faults = accessibilityFaults(shown);
                QVERIFY2(faults.isEmpty(), qPrintable(faults));
                // A viewer hands its buttons and sliders to keepKeysOnView (tst_common): Tab reaches them,
                // and a click leaves the keys on the document.
                const bool viewer = QByteArray("imgv gif pdf av").contains(window);
                for (QWidget *c : shown->findChildren<QWidget *>()) {
                    if (viewer && c->isVisible() && !qobject_cast<QScrollBar *>(c) &&
                        (qobject_cast<QAbstractButton *>(c) || qobject_cast<QAbstractSlider *>(c)))
                        QVERIFY2(c->focusPolicy() == Qt::TabFocus, qPrintable(c->objectName()));
                }
            }

            QVERIFY(shown->close());
            QTRY_VERIFY2(!shown, "the closed window is still there");
            QTRY_VERIFY2(!launcher, "the launcher that stepped aside is still there");
            if (round == 1) {
                // What the first window started and keeps for the process (an engine's helpers) has
                // settled once the counts stop falling.
                QTest::qWait(500);
                threads = threadCount();
                children = descendants(QCoreApplication::applicationPid());
                continue;
            }
            QTRY_VERIFY2(threadCount() <= threads,
                         qPrintable(QStringLiteral("threads after round %1").arg(round)));
            QTRY_VERIFY2(descendants(QCoreApplication::applicationPid()) <= children,
                         qPrintable(QStringLiteral("child processes after round %1").arg(round)));
        }
        QCOMPARE(answers.unexpected(), 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_toolwindows)
#include "tst_toolwindows.moc"
