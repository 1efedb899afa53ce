// Every window of every tool, opened the way the program opens it, as a pointer user and a screen reader
// meet it: each control says what it is, and Tab walks the controls in reading order.
#include "app/doch.h"
#include "app/moduleloader.h"
#include "app/toolopeners.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QImage>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A one-pixel GIF, written by hand: Qt reads GIF but does not write it.
const QByteArray kGif =
    QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b");
// An empty zip archive: the end-of-directory record alone.
const QByteArray kEmptyZip = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');

QByteArray png()
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QWidget *shownWindow(const QByteArray &className)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->metaObject()->className() == className)
            return w;
    }
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
QStringList unexplained(QWidget *window)
{
    QStringList found;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(child) ||
                             qobject_cast<QAbstractSlider *>(child) || qobject_cast<QLineEdit *>(child);
        if (!control || !child->isVisible())
            continue;
        QWidget *widget = speaker(child);
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
    return found;
}

// The controls Tab reaches in `window`, in the order it reaches them.
QList<QWidget *> tabChain(QWidget *window)
{
    QList<QWidget *> chain;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        if (isInside(w, "QAbstractSpinBox") || isInside(w, "QWebEngineView"))
            continue;
        chain.append(w);
    }
    return chain;
}

// Where Tab goes against reading order: a step back to the left within a row (two controls whose
// heights overlap), or a step up to an earlier row.
QStringList outOfOrder(QWidget *window)
{
    QStringList found;
    const QList<QWidget *> chain = tabChain(window);
    const auto name = [](QWidget *w) {
        return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
    };
    for (int i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
        const bool sameRow = a.top() <= b.bottom() && b.top() <= a.bottom();
        if ((sameRow && b.left() < a.left()) || (!sameRow && b.top() < a.top()))
            found.append(name(chain[i - 1]) + QStringLiteral(" -> ") + name(chain[i]));
    }
    return found;
}

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // A working folder with an "IDE" folder, so the code editor has no "No Compilers found" to say.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("work/IDE"))));
    }
    // A row of a window's table whose control is gone says so on the debug output.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^No control"))); }
    void cleanup() { brivo::test::closeAllWindows(); }

    void everyControlExplainsItself_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("window");
        QTest::newRow("launcher") << QString() << QByteArray() << QByteArray("showmain");
        QTest::newRow("notepad") << "notes.txt" << QByteArray("some words\n") << QByteArray("txtedit");
        QTest::newRow("code editor") << "main.cpp" << QByteArray("int main() {}\n") << QByteArray("ide");
        QTest::newRow("image viewer") << "picture.png" << png() << QByteArray("imgv");
        QTest::newRow("pdf viewer") << "paper.pdf"
                                    << brivo::test::makePdf(
                                           {{QSize(200, 200), "1 0 0"}, {QSize(200, 200), {}}})
                                    << QByteArray("pdf");
        QTest::newRow("gif viewer") << "moving.gif" << kGif << QByteArray("gif");
        QTest::newRow("media player") << "tone.mp4" << brivo::test::wavBytes(300) << QByteArray("av");
        QTest::newRow("audio player") << "tone.mp3" << brivo::test::wavBytes(300) << QByteArray("av");
        QTest::newRow("browser") << "page.html" << QByteArray("<p>A page</p>") << QByteArray("web");
        QTest::newRow("archive tool") << "files.zip" << kEmptyZip << QByteArray("Widget");
        QTest::newRow("snapshot") << QString() << QByteArray() << QByteArray("desktop");
    }
    void everyControlExplainsItself()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, window);
        if (window == "web" && !brivo::moduleInBuild(QStringLiteral("brivo_web")))
            QSKIP("built without the web browser");
        brivo::test::ModalAnswerer answers;
        brivo::test::CurrentDirectory work(m_dir.filePath(QStringLiteral("work")));
        QVERIFY(open(file, bytes, window));
        QWidget *shown = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((shown = shownWindow(window)), 20000);
        QVERIFY(QTest::qWaitForWindowExposed(shown));

        QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(shown);
        QVERIFY(a11y);
        QVERIFY2(!a11y->text(QAccessible::Description).isEmpty(), "the window does not say what it is");
        QStringList faults = unexplained(shown);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        faults = outOfOrder(shown);
        QVERIFY2(faults.isEmpty(),
                 qPrintable(QStringLiteral("Tab order: ") + faults.join(QStringLiteral("; "))));

        // Controls that show only on demand explain themselves as well.
        if (auto *password = shown->findChild<QCheckBox *>()) {
            if (window == "Widget") {
                password->click();
                QVERIFY(shown->findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->isVisible());
            }
        }
        if (window == "ide") {
            shown->findChild<QDockWidget *>(QStringLiteral("outputDock"))->show();
            QTRY_VERIFY(shown->findChild<QLineEdit *>(QStringLiteral("outputInput"))->isVisible());
        }
        if (window == "web") {
            QTest::keyClick(shown, Qt::Key_F, Qt::ControlModifier);
            QTRY_VERIFY(shown->findChild<QLineEdit *>(QStringLiteral("findBar"))->isVisible());
        }
        faults = unexplained(shown);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

private:
    // Opens a window of the class `window` as the program does: `file`, written with `bytes`, through the
    // dispatcher; no file, the launcher; the snapshot, which takes no file, from its tile's opener.
    bool open(const QString &file, const QByteArray &bytes, const QByteArray &window)
    {
        if (window == "desktop")
            return brivo::openTool(brivo::Tool::Snapshot, QString());
        if (file.isEmpty()) {
            doch().doallforshow();
            return true;
        }
        const QString path = m_dir.filePath(file);
        if (!brivo::test::writeFile(path, bytes))
            return false;
        doch().doallforshow(path);
        return true;
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
