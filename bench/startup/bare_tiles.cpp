// The launcher's floor: the cheapest Qt program that draws what the launcher draws. The same eleven
// command-link tiles with the same pictures at the same places, the black band with the logo, the same
// title, icon, size and white background; no dispatcher, no tools, nothing else linked. It draws them as
// cheaply as plain Qt can: each picture decoded straight to the size it is shown at, by the reader of its
// own format, on a second thread while the widgets are made, and no icon theme looked up for the tiles'
// default arrows. What the launcher costs beyond this is what the rest of the program costs at start.
// With BRIVO_QUIT_AFTER_FIRST_PAINT set it ends after its first paint; otherwise it stays on the screen.
#include <QApplication>
#include <QCommandLinkButton>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

struct Tile
{
    const char *text;
    const char *icon;
    int x, y, width;
};

const Tile kTiles[] = {
    {"Notepad", ":/images/txt.png", 10, 10, 180},
    {"IDE", ":/images/ide.png", 210, 10, 180},
    {"Media\nPlayer", ":/images/av.png", 10, 150, 180},
    {"PDF", ":/images/pdf.png", 210, 150, 180},
    {"Image\nViewer", ":/images/image.png", 410, 10, 180},
    {"Web", ":/images/web.png", 410, 150, 180},
    {"About Brivo", ":/images/about.jpg", 100, 430, 210},
    {"About Me", ":/images/abtm.gif", 320, 430, 200},
    {"Zip", ":/images/zip.png", 410, 290, 180},
    {"Snap\nShot", ":/images/desktop.png", 210, 290, 180},
    {"Gif View", ":/images/gif.png", 10, 290, 180},
};

class Window : public QMainWindow
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        QMainWindow::paintEvent(event);
        if (qEnvironmentVariableIsSet("BRIVO_QUIT_AFTER_FIRST_PAINT"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
};

QImage shownSize(const QString &path, const QSize &box, bool smooth)
{
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    const QSize size = reader.size().scaled(box, Qt::KeepAspectRatio);
    if (smooth)
        reader.setScaledSize(size);
    const QImage image = reader.read();
    return smooth ? image : image.scaled(size);
}

QList<QImage> pictures()
{
    QList<QImage> images;
    for (const Tile &tile : kTiles)
        images.append(shownSize(QString::fromLatin1(tile.icon), QSize(100, 100), true));
    images.append(shownSize(QStringLiteral(":/images/brivo.png"), QSize(400, 250), false));
    return images;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFuture<QList<QImage>> decoding = QtConcurrent::run(pictures);
    QIcon::setThemeSearchPaths({QStringLiteral(":/none")});
    Window window;
    QList<QCommandLinkButton *> buttons;
    for (const Tile &tile : kTiles) {
        auto *button = new QCommandLinkButton(QString::fromLatin1(tile.text), &window);
        button->setIconSize(QSize(100, 100));
        button->setFixedSize(tile.width, 120);
        button->move(tile.x, tile.y);
        buttons.append(button);
    }
    const QList<QImage> images = decoding.result();
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setIcon(QPixmap::fromImage(images[i]));
    auto *strip = new QWidget(&window);
    strip->setGeometry(0, 580, 640, 480);
    strip->setStyleSheet(QStringLiteral("background-color:black"));
    auto *layout = new QHBoxLayout(strip);
    auto *logo = new QLabel;
    logo->setPixmap(QPixmap::fromImage(images.last()));
    layout->addWidget(logo, 0, Qt::AlignLeft | Qt::AlignTop);

    window.setWindowTitle(QStringLiteral("Brivo - K.VARDEN"));
    window.setWindowIcon(QIcon(QStringLiteral(":/images/main.ico")));
    window.setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window.resize(600, 660);
    window.setMaximumSize(600, 660);
    QPalette white = window.palette();
    white.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    window.setPalette(white);
    window.show();
    return app.exec();
}
