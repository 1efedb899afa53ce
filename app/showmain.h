// The home launcher: eleven tiles that open the tools and the about boxes, above the product logo.
#pragma once

#include "brivo_core_export.h"

#include <QMainWindow>
#include <QString>

class QDragEnterEvent;
class QDropEvent;

class BRIVO_CORE_EXPORT showmain : public QMainWindow
{
    Q_OBJECT
public:
    explicit showmain(QWidget *parent = nullptr);

    // Builds the tiles, the logo strip and the window; in chooser mode it first tells the user that the
    // pending file's type is not recognised.
    void buildUi();

    // The unrecognised file that every tool tile opens, in chooser mode; empty otherwise.
    QString pendingPath;
    // 1 in chooser mode, else 0. Set by the dispatcher before buildUi() and never changed afterwards.
    int chooserMode = 0;

public slots:
    void txtf();
    void pdff();
    void imgvf();
    void aboutf();
    void idef();
    void avf();
    void abtme();
    void abtafa();
    void dropEvent(QDropEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void zipper();
    void gifv();
    void deskts();
    void al(QString);

private:
    // The file a tool tile hands its tool: the pending file in chooser mode, none otherwise.
    QString fileForTile() const;
};
