// The tool table that the dispatcher, the launcher, the windows and the build read: a row added or changed
// must still agree with the build, the resources and the openers.
#include "app/moduleloader.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

using brivo::Tool;
using brivo::ToolDescription;

class tst_tooltable : public QObject
{
    Q_OBJECT
private slots:
    // Row i describes Tool(i), so describe() finds a row by its place. An extension belongs to one group
    // only: in two, the later group would never see it. Titles keep the product's form.
    void rowsAreConsistent()
    {
        const QList<ToolDescription> &table = brivo::toolTable();
        QSet<QString> extensions;
        const QRegularExpression titleForm(
            QStringLiteral("^Brivo( : [A-Za-z][A-Za-z ]*[A-Za-z])? - K\\.VARDEN$"));
        for (int i = 0; i < table.size(); ++i) {
            const ToolDescription &row = table[i];
            QCOMPARE(int(row.tool), i);
            QCOMPARE(&brivo::describe(row.tool), &row);
            for (const QString &extension : brivo::toolExtensions(row.tool)) {
                QVERIFY2(!extensions.contains(extension), qPrintable(extension));
                QVERIFY(!extension.contains(QLatin1Char('.')) && extension.size() <= 99);
                extensions.insert(extension);
            }
            // A MIME type the database does not know would never match: the content would go unmarked.
            const QStringList types = brivo::toolMimeTypes(row.tool);
            QCOMPARE(types.isEmpty(), brivo::toolExtensions(row.tool).isEmpty());
            for (const QString &type : types)
                QVERIFY2(type.endsWith(QLatin1Char('/')) || QMimeDatabase().mimeTypeForName(type).isValid(),
                         qPrintable(type));
            // Only the archive tool's title ends in a blank.
            QString title = brivo::toolTitle(row.tool);
            if (row.tool == Tool::Archive && title.endsWith(QLatin1Char(' ')))
                title.chop(1);
            QVERIFY2(titleForm.match(title).hasMatch(), row.title);
            QVERIFY2(QFile::exists(QString::fromLatin1(row.tile.picture)), row.tile.picture);
        }
    }

    // The build adds the folders and makes the modules the table names, no more and no fewer; every module
    // is where the loader looks, and every linked tool has an opener that makes a window of that tool.
    void theBuildMakesEveryTool()
    {
        QStringList folders;
        QSet<QString> modules;
        for (const ToolDescription &row : brivo::toolTable()) {
            if (!folders.contains(QLatin1String(row.folder)))
                folders.append(QLatin1String(row.folder));
            if (row.module) {
                QVERIFY(!brivo::toolOpener(row.tool));
                if (!brivo::moduleInBuild(QLatin1String(row.module)))
                    continue; // left out of this build on purpose
                modules.insert(QLatin1String(row.module));
                const QString file = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                     brivo::moduleFileName(QLatin1String(row.module));
                QVERIFY2(QFile::exists(file), qPrintable(file));
                continue;
            }
            const brivo::ToolOpener opener = brivo::toolOpener(row.tool);
            QVERIFY2(opener, row.folder);
            brivo::test::ModalAnswerer answers; // the code editor misses its toolchains
            std::unique_ptr<QWidget> window(opener(QString(), {}));
            QVERIFY(window && !window->parent() && !window->isVisible());
        }
        QCOMPARE(folders.join(QLatin1Char(',')), QStringLiteral(BRIVO_TOOL_FOLDERS));
        const QStringList built = QStringLiteral(BRIVO_TOOL_MODULES).split(QLatin1Char(','));
        QCOMPARE(modules, QSet<QString>(built.begin(), built.end()));
    }

    void cleanup() { brivo::test::closeAllWindows(); }
};

QTEST_MAIN(tst_tooltable)
#include "tst_tooltable.moc"
