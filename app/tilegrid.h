// Keyboard use of the launcher's tiles, which sit in rows at fixed places rather than in a layout.
#pragma once

#include "brivo_core_export.h"

#include <QList>
#include <QRect>

class QAbstractButton;
class QWidget;

namespace brivo {

// The place among `places` that an arrow key (Qt::Key_Left, Key_Right, Key_Up or Key_Down) leads to from
// places[from]: the nearest one on that side that shares some of its row (left, right) or column (up,
// down), the one most in line when two are as near. -1 when there is none, at the edge of the grid.
BRIVO_CORE_EXPORT int tileInDirection(const QList<QRect> &places, int from, int key);

// The arrow keys move the focus between `tiles` by their places on screen, Return and Enter click the
// focused tile as Space does, and Tab visits them in reading order (rows top to bottom, each left to
// right). The key handling lives as long as `owner`.
void makeTileGrid(QWidget *owner, const QList<QAbstractButton *> &tiles);

// Draws a dashed ring around `tile`, which stays: the tile that fits what the launcher was given.
void markTile(QAbstractButton *tile);

} // namespace brivo
