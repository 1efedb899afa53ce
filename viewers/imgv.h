// The image viewer: one picture fitted into a black view, with buttons and keys to step through the other
// pictures of its folder, zoom and rotate.
#pragma once

#include "brivo_core_export.h"

#include "common/wheelnotches.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QScrollArea;
class QDragEnterEvent;
class QDropEvent;

namespace brivo {
class PictureCache;
}

class BRIVO_CORE_EXPORT imgv : public QWidget
{
    Q_OBJECT
public:
    explicit imgv(QWidget *parent = nullptr);
    ~imgv() override;

    // Loads the picture at `path`; a picture that does not decode is reported in a warning box. The path
    // is kept either way: the folder around it can still be stepped through.
    void openFile(const QString &path);
    // Builds the window around the opened picture and lists its folder.
    void buildUi();

    // The decoded pictures kept around the shown one.
    const brivo::PictureCache &pictureCache() const { return *m_pictures; }
    // The absolute path of the picture on screen; empty before one has loaded.
    const QString &shownPath() const { return m_loadedPath; }
    // The absolute path of the picture a step went to that is still being decoded; empty when none is.
    const QString &awaitedPath() const { return m_awaitedPath; }

    // False until the first folder listing has looked for the opened file.
    bool indexFound = false;
    // The file the window was opened for; null when it was opened without one.
    QString imagePath;
    QScrollArea *scrollArea = nullptr;
    // The picture as shown, with its rotations, unscaled.
    QPixmap pixmap;
    // Position of the shown picture in fileList.
    int currentIndex = 0;
    // The picture as last loaded, unrotated.
    QImage image;
    QLabel *imageLabel = nullptr;
    // Names of the pictures in the folder of imagePath, as of the last listing.
    QStringList fileList;
    // The box the picture is fitted into; zooming changes it, resizing and stepping reset it.
    int boxWidth = 0;
    int boxHeight = 0;

public slots:
    void tranl();
    void tranr();
    void forward();
    void backward();
    void zoomin();
    void zommout();
    void showhome();
    // Shows the picture at one screen pixel per picture pixel (dragged with the mouse when larger than the
    // window), or fitted into the window again.
    void setActualSize(bool actual);
    // Shows or hides the file name, pixel size, file size and folder position over the picture.
    void setInformationShown(bool shown);
    // Puts the picture as shown, its rotation included, on the clipboard.
    void copyPicture();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Makes the picture's folder the current directory and lists it; the first listing also finds the
    // opened file's position.
    QStringList listFolder();
    // Loads the picture at the absolute `path` into `image` now, waiting for its decode; a picture that
    // does not decode leaves `image` as it was.
    bool loadPicture(const QString &path);
    // A step to the name at currentIndex: shown at once when it is decoded, otherwise once its decode (on
    // another thread) is done, the picture on screen staying until then.
    void stepToCurrent();
    // A step that loads nothing (at either end of the list).
    void stepInPlace();
    // The awaited picture is decoded (or failed to decode).
    void awaitedDecoded();
    // Sets pixmap from image, shows it fitted into the window box and ends any zoom.
    void showStep();
    void showPicture(const QSize &box);
    QSize currentWindowBox() const;
    void setBox(const QSize &box);
    // Starts decoding the pictures next to the shown one and forgets the rest.
    void decodeNeighbours();
    void toggleFullScreen();
    // Zooms by the wheel's whole notches, keeping the point under the pointer (`at`, in the view's
    // coordinates) where it is.
    void wheelTurned(int delta, const QPointF &at);
    // Fits the picture into `box`, keeping the picture's point at `anchor` (in the view's coordinates)
    // under it.
    void zoomTo(const QSize &box, const QPointF &anchor);
    QPointF viewCentre() const;
    // The picture at `path` did not decode: the view says so in its place.
    void showFailure(const QString &path);
    bool viewportEvent(QEvent *event);
    void updateInformation();

    std::unique_ptr<brivo::PictureCache> m_pictures;
    // The opened file, made absolute when it was opened: later changes of the current directory (by this
    // viewer or another window) do not move it.
    QString m_openedPath;
    // The folder stepped through, fixed by the first listing; names in fileList are relative to it.
    QString m_folder;
    // The absolute path `image` was last loaded from, or that failed to load (image then null).
    QString m_loadedPath;
    // What the view shows instead of a picture that does not decode; empty when the picture decoded.
    QString m_failure;
    // The picture a step went to that is being decoded, and its decode.
    QString m_awaitedPath;
    QFutureWatcher<QImage> m_awaited;
    // The awaited picture is the one the window was opened for: one that does not decode is reported.
    bool m_firstAwaited = false;
    // Wheel turns smaller than a notch (touchpads, fine-grained wheels) add up to one zoom step.
    brivo::WheelNotches m_wheel;
    bool m_actualSize = false;
    QPushButton *m_actualButton = nullptr;
    QPushButton *m_infoButton = nullptr;
    QLabel *m_information = nullptr;
    // Where a drag of the picture at actual size last was, in the view's coordinates.
    QPoint m_dragFrom;
};
