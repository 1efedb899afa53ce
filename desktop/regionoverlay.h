// One screen's part of a frozen desktop picture, shown full screen while part of the desktop is chosen.
#pragma once

#include "brivo_core_export.h"

#include "platform/desktopcapture.h"

#include <QPixmap>
#include <QWidget>

class BRIVO_CORE_EXPORT RegionOverlay : public QWidget
{
    Q_OBJECT
public:
    // Shows the part of `picture` that `screen` covers, pixel for pixel where the screen's density
    // allows, with `hint` (what to do) at the top.
    RegionOverlay(const QImage &picture, const brivo::DesktopPicture::Screen &screen, const QString &hint);

    // The screen this overlay covers.
    const brivo::DesktopPicture::Screen &screen() const { return m_screen; }

    // Marks `pixels` (in the whole picture's pixels) as the part chosen so far, with `label` beside it;
    // the rest of the picture is dimmed. An empty rectangle marks nothing.
    void setMarked(const QRect &pixels, const QString &label);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF toLocal(const QRect &pixels) const;

    brivo::DesktopPicture::Screen m_screen;
    QPixmap m_frozen;
    QString m_hint;
    QRect m_marked;
    QString m_label;
};
