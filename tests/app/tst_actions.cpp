// The home and drop actions that every tool window shares.
#include "app/homeactions.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>

using brivo::Tool;
using brivo::test::ModalAnswerer;

namespace {

// A window that hands drops to the shared drop action, as the viewers do.
class DropTarget : public QWidget
{
public:
    DropTarget() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { brivo::acceptAnyDrag(event); }
    void dropEvent(QDropEvent *event) override { brivo::dropAction(this, event); }
};

} // namespace

class tst_actions : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_opened.clear();
        brivo::setOpenerOverrideForTesting([this](Tool tool, const QString &path, const brivo::OpenOptions &) {
            m_opened.append({tool, path});
            auto *window = new QWidget;
            window->setObjectName(QStringLiteral("opened"));
            return window;
        });
    }
    void cleanup()
    {
        brivo::setOpenerOverrideForTesting({});
        brivo::test::closeAllWindows();
    }

    void homeOpensOneMoreLauncherEachTime()
    {
        DropTarget tool;
        tool.show();
        brivo::goHome();
        brivo::goHome();
        const auto launchers = brivo::test::visibleWindows<showmain>();
        QCOMPARE(launchers.size(), 2);
        QCOMPARE(launchers[0]->chooserMode, 0);
        QVERIFY(launchers[0] != launchers[1]);
        QVERIFY(tool.isVisible());
    }

    void droppingAFileClosesTheWindowAndOpensTheFile()
    {
        DropTarget target;
        target.show();
        QVERIFY(brivo::test::sendDropUrls(&target, {QUrl::fromLocalFile(QStringLiteral("/data/notes.txt")),
                                                    QUrl::fromLocalFile(QStringLiteral("/data/other.pdf"))}));
        QVERIFY(!target.isVisible());
        QCOMPARE(m_opened.size(), 1); // only the first dropped file
        QCOMPARE(m_opened.first(), qMakePair(Tool::Notepad, QStringLiteral("/data/notes.txt")));
    }

    void droppingAWebLinkOpensAPlainLauncher()
    {
        DropTarget target;
        target.show();
        brivo::test::sendDropUrls(&target, {QUrl(QStringLiteral("https://example.org/page.html"))});
        QVERIFY(!target.isVisible());
        QVERIFY(m_opened.isEmpty());
        const auto launchers = brivo::test::visibleWindows<showmain>();
        QCOMPARE(launchers.size(), 1);
        QCOMPARE(launchers.first()->chooserMode, 0);
    }

    void aDropWithoutUrlsIsIgnored()
    {
        DropTarget target;
        target.show();
        QMimeData text;
        text.setText(QStringLiteral("/data/notes.txt"));
        QVERIFY(!brivo::test::sendDrop(&target, &text));
        QVERIFY(target.isVisible());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(brivo::test::visibleWindows<showmain>().isEmpty());
    }

    // A drop on the only visible window closes it for a moment; the program must not take that moment
    // as the end of its last window.
    void aDropOnTheOnlyWindowKeepsTheProgramRunning()
    {
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        auto *target = new DropTarget;
        target->show();
        QVERIFY(QTest::qWaitForWindowExposed(target));
        bool openedShown = false;
        QTimer::singleShot(0, target, [target] {
            brivo::test::sendDropUrls(target, {QUrl::fromLocalFile(QStringLiteral("/data/notes.txt"))});
        });
        QTimer::singleShot(500, qApp, [&openedShown] {
            for (QWidget *w : QApplication::topLevelWidgets())
                openedShown |= w->objectName() == QLatin1String("opened") && w->isVisible();
            QCoreApplication::exit(42);
        });
        QCOMPARE(QCoreApplication::exec(), 42);
        QVERIFY(openedShown);
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        delete target;
    }

private:
    QList<QPair<Tool, QString>> m_opened;
};

QTEST_MAIN(tst_actions)
#include "tst_actions.moc"
