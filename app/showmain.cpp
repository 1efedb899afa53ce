#include "app/showmain.h"

#include "app/tilegrid.h"
#include "app/toolopeners.h"
#include "common/contenttype.h"
#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/homeactions.h"
#include "common/tooltable.h"

#include <QApplication>
#include <QCommandLinkButton>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <optional>

namespace {

using TileSlot = void (showmain::*)();

// A tile of the launcher: a tool's, as the tool table describes it, or one of the launcher's own.
struct Tile
{
    const char *text;
    const char *picture;
    QRect place;
    int order;
    TileSlot slot;
    std::optional<brivo::Tool> tool;
};

// The launcher's own tiles, which show about boxes.
const Tile kOwnTiles[] = {
    {"About Brivo", ":/images/about.jpg", {100, 430, 210, 120}, 7, &showmain::abtafa, std::nullopt},
    {"About Me", ":/images/abtm.gif", {320, 430, 200, 120}, 8, &showmain::abtme, std::nullopt},
};

// The slot each tool's tile reaches. A tool without a slot of its own opens straight from its tile.
TileSlot slotOfTool(brivo::Tool tool)
{
    switch (tool) {
    case brivo::Tool::CodeEditor:
        return &showmain::idef;
    case brivo::Tool::Notepad:
        return &showmain::txtf;
    case brivo::Tool::WebBrowser:
        return &showmain::aboutf;
    case brivo::Tool::PdfViewer:
        return &showmain::pdff;
    case brivo::Tool::MediaPlayer:
        return &showmain::avf;
    case brivo::Tool::ImageViewer:
        return &showmain::imgvf;
    case brivo::Tool::Archive:
        return &showmain::zipper;
    case brivo::Tool::GifViewer:
        return &showmain::gifv;
    case brivo::Tool::Snapshot:
        return &showmain::deskts;
    default:
        return nullptr;
    }
}

// Every tile in the order of creation and of parenting.
const QList<Tile> &tiles()
{
    static const QList<Tile> list = [] {
        QList<Tile> all(std::begin(kOwnTiles), std::end(kOwnTiles));
        for (const brivo::ToolDescription &row : brivo::toolTable()) {
            const brivo::LauncherTile &tile = row.tile;
            all.append({tile.text, tile.picture, tile.place, tile.order, slotOfTool(row.tool), row.tool});
        }
        std::sort(all.begin(), all.end(), [](const Tile &a, const Tile &b) { return a.order < b.order; });
        return all;
    }();
    return list;
}

// A picture decoded straight to the size it is shown at (`ratio` device pixels per pixel), fitted keeping
// its aspect ratio: the launcher opens on every home action, and keeping full-size pictures around would
// cost megabytes for nothing. Safe on any thread.
QImage fittedPicture(const char *path, const QSize &box, Qt::TransformationMode mode, qreal ratio)
{
    // The format is named, not guessed: guessing a PNG asks every picture plugin whether it reads PNG,
    // which loads them all.
    const QString file = QString::fromLatin1(path);
    QImageReader reader(file, QFileInfo(file).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    const QSize fitted = reader.size().scaled(box, Qt::KeepAspectRatio);
    QImage image;
    if (mode == Qt::FastTransformation) {
        // The reader scales smoothly; fast scaling keeps the hard edges asked for.
        image = reader.read().scaled(fitted * ratio, Qt::IgnoreAspectRatio, mode);
    } else {
        reader.setScaledSize(fitted * ratio);
        image = reader.read();
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

// The eleven tile pictures and then the logo. Decoding them is the slowest part of building the
// launcher, so it runs on a worker thread while the window's widgets are made.
QList<QImage> launcherPictures(qreal ratio)
{
    QList<QImage> pictures;
    for (const Tile &tile : tiles())
        pictures.append(fittedPicture(tile.picture, QSize(100, 100), Qt::SmoothTransformation, ratio));
    pictures.append(fittedPicture(":/images/brivo.png", QSize(400, 250), Qt::FastTransformation, ratio));
    return pictures;
}

// The tool of the tile at `index` in the order of creation, when that tool takes a file: not for the about
// tiles or Snap Shot.
std::optional<brivo::Tool> fileToolOfTile(int index)
{
    if (index < 0 || index >= tiles().size())
        return std::nullopt;
    const std::optional<brivo::Tool> tool = tiles()[index].tool;
    return tool && !brivo::toolExtensions(*tool).isEmpty() ? tool : std::nullopt;
}

// In chooser mode every tile that opens the file says so in its tooltip, and the tile of the tool that
// reads the file's content is marked, named on a line under the tiles and given the focus, so that
// Return opens the file there.
void showReaders(QWidget *launcher, const QString &path, const std::optional<brivo::ContentReader> &reader,
                 const QList<QCommandLinkButton *> &buttons)
{
    const QString name = QFileInfo(path).fileName();
    for (int i = 0; i < buttons.size(); ++i) {
        const std::optional<brivo::Tool> tool = fileToolOfTile(i);
        if (!tool)
            continue;
        const QString tip = QStringLiteral("Open %1 in %2").arg(name, brivo::toolName(*tool));
        // A name such as "a<b>.dat" would be taken for markup.
        buttons[i]->setToolTip(Qt::mightBeRichText(tip) ? QStringLiteral("<p>") + tip.toHtmlEscaped() : tip);
        if (reader && reader->tool == *tool) {
            brivo::markTile(buttons[i]);
            buttons[i]->setFocus();
        }
    }
    if (!reader)
        return;
    auto *line = new QLabel(
        QStringLiteral("%1 looks like %2").arg(name, brivo::withArticle(reader->description)), launcher);
    line->setObjectName(QStringLiteral("readerLine"));
    line->setTextFormat(Qt::PlainText);
    line->setAlignment(Qt::AlignCenter);
    // The white room between the about tiles and the logo band.
    line->setGeometry(10, 552, 580, 26);
}

QString bothMails()
{
    return QLatin1String(brivo::contact::authorMail) + QStringLiteral(" , ") +
           QLatin1String(brivo::contact::supportMail);
}

} // namespace

showmain::showmain(QWidget *parent) : QMainWindow(parent)
{
    setAcceptDrops(true);
}

void showmain::buildUi()
{
    // The pending file's content is told on a worker thread while the chooser message is up, so that
    // reading it never holds up the message or the launcher.
    QFuture<std::optional<brivo::ContentReader>> reading;
    if (chooserMode == 1)
        reading = QtConcurrent::run(brivo::readerOfContent, pendingPath);
    QFuture<QList<QImage>> decoding = QtConcurrent::run(launcherPictures, devicePixelRatio());

    // A new command link looks up a default arrow in the desktop's icon theme, which the tile's own
    // picture replaces at once; the first such lookup parses the theme's whole index, a good part of the
    // launcher's start-up. The themes are out of sight while the tiles are made (an empty list would
    // mean the default folders, so the list names a folder that does not exist).
    const QStringList themePaths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({QStringLiteral(":/no-icon-themes")});
    QList<QCommandLinkButton *> buttons;
    for (const Tile &tile : tiles()) {
        auto *button = new QCommandLinkButton(QString::fromLatin1(tile.text));
        button->setIconSize(QSize(100, 100));
        button->setFixedSize(tile.place.size());
        buttons.append(button);
    }
    QIcon::setThemeSearchPaths(themePaths);

    const QList<QImage> pictures = decoding.result();
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setIcon(QIcon(QPixmap::fromImage(pictures[i])));

    setWindowTitle(QString::fromLatin1(brivo::title::launcher));

    if (chooserMode == 1) {
        QMessageBox::about(
            this, QStringLiteral("Unrecognised file type "),
            QStringLiteral("The file <br/><br/>") + pendingPath.toHtmlEscaped() +
                QStringLiteral(
                    "<br/><br/>you tried to open with Brivo is unrecognizable by the engine.<br/><br/>"
                    "You can open forcibly open by one of the application listed.<br/><br/>"
                    "If you wish that the type of file wanted to add in next version of Brivo "
                    "<br/>Please Write to me at ") +
                QLatin1String(brivo::contact::authorMail) + QLatin1Char(' '));
    }

    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->move(tiles()[i].place.topLeft());

    // The black band with the logo; the window's bottom edge leaves 80 pixels of it in view.
    auto *strip = new QWidget;
    strip->setGeometry(0, 580, 640, 480);
    strip->setStyleSheet(QStringLiteral("background-color:black"));
    auto *stripLayout = new QHBoxLayout(strip);
    auto *logo = new QLabel;
    logo->setPixmap(QPixmap::fromImage(pictures.last()));
    stripLayout->addWidget(logo, 0, Qt::AlignLeft | Qt::AlignTop);

    for (QCommandLinkButton *button : std::as_const(buttons))
        button->setParent(this);
    strip->setParent(this);
    brivo::makeTileGrid(this, {buttons.begin(), buttons.end()});
    if (chooserMode == 1)
        showReaders(this, pendingPath, reading.result(), buttons);
    // Naming the window and its tiles for screen readers wakes the desktop's accessibility bridge, which
    // costs the launcher's start one to three milliseconds. They are named when a tile first takes the
    // focus, which wakes the bridge anyway.
    auto *naming = new QObject(this);
    connect(qApp, &QApplication::focusChanged, naming, [this, naming, buttons](QWidget *, QWidget *now) {
        if (!buttons.contains(qobject_cast<QCommandLinkButton *>(now)))
            return;
        // Each tile is read out as one name, not as two lines.
        for (QCommandLinkButton *button : buttons)
            button->setAccessibleName(button->text().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        brivo::describeControls(this, "Brivo's home: a tile for each tool and for the about boxes", {});
        naming->deleteLater();
    });

    // Minimize and close in the title bar, no maximize. The close hint is named as well: without it some
    // window managers offer no way to close the launcher.
    setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    for (int i = 0; i < buttons.size(); ++i) {
        const Tile &tile = tiles()[i];
        if (tile.slot)
            connect(buttons[i], &QCommandLinkButton::clicked, this, tile.slot);
        else
            connect(buttons[i], &QCommandLinkButton::clicked, this,
                    [this, tool = *tile.tool] { brivo::openTool(tool, fileForTile()); });
    }

    resize(600, 660);
    setMaximumSize(600, 660);
    setWindowIcon(brivo::homeIconImage());

    QPalette white = palette();
    white.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(white);
}

QString showmain::fileForTile() const
{
    return chooserMode == 1 ? pendingPath : QString();
}

void showmain::txtf()
{
    brivo::openTool(brivo::Tool::Notepad, fileForTile());
}

void showmain::pdff()
{
    QString file = fileForTile();
    if (chooserMode != 1) {
        file = QFileDialog::getOpenFileName(this, tr("Open Document"), QDir::currentPath(),
                                            tr("Document files (*.pdf *.PDF);;"), nullptr,
                                            QFileDialog::DontUseNativeDialog);
        if (file.isNull())
            return;
    }
    brivo::openTool(brivo::Tool::PdfViewer, file);
}

void showmain::imgvf()
{
    brivo::openTool(brivo::Tool::ImageViewer, fileForTile());
}

void showmain::aboutf()
{
    brivo::openTool(brivo::Tool::WebBrowser, fileForTile());
}

void showmain::idef()
{
    brivo::openTool(brivo::Tool::CodeEditor, fileForTile());
}

void showmain::avf()
{
    // Never the audio-only layout from here, whatever the file.
    brivo::openTool(brivo::Tool::MediaPlayer, fileForTile());
}

void showmain::abtme()
{
    QMessageBox::about(
        this, QStringLiteral("Brivo : By K.VARDEN"),
        QStringLiteral("Author : K.VARDEN.<br/><br/>Email: ") + bothMails() +
            QStringLiteral(" .<br/><br/><b>Please send feedback to my email.</b><br/><br/>Thank you."));
}

void showmain::abtafa()
{
    QMessageBox::about(
        this, QStringLiteral("About Brivo"),
        QStringLiteral(
            "Brivo aims to be the only software that can do different tasks where other softwares do "
            "independently.<br><br/>For more information on Versions , Bugs , etc.. Visit our web "
            "site<br/><br/><b> ") +
            QLatin1String(brivo::contact::webSite) +
            QStringLiteral("</b><br/><br/>Or Write to me at <br/><br/><b>") + bothMails() +
            QStringLiteral("</b>"));
}

void showmain::dropEvent(QDropEvent *event)
{
    // A file dropped on a tool's tile opens in that tool; anywhere else it opens in the tool for its type.
    const auto buttons = findChildren<QCommandLinkButton *>(QString(), Qt::FindDirectChildrenOnly);
    const auto *under = qobject_cast<QCommandLinkButton *>(childAt(event->position().toPoint()));
    brivo::dropAction(this, event, fileToolOfTile(int(buttons.indexOf(under))));
}

void showmain::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void showmain::zipper()
{
    brivo::openTool(brivo::Tool::Archive, fileForTile());
}

void showmain::gifv()
{
    brivo::openTool(brivo::Tool::GifViewer, fileForTile());
}

void showmain::deskts()
{
    // The launcher steps aside for the snapshot window (hidden, not closed). Nothing shows it again, so a
    // launcher the program looks after goes too.
    if (brivo::openTool(brivo::Tool::Snapshot, QString())) {
        hide();
        if (testAttribute(Qt::WA_DeleteOnClose))
            deleteLater();
    }
}

void showmain::al(QString)
{
    QMessageBox::information(this, QStringLiteral("Link ok"), QStringLiteral("Link ok"), QMessageBox::Ok);
}
