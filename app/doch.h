// The start-up dispatcher: decides which window a file path opens in.
#pragma once

#include "brivo_core_export.h"

#include <QString>
#include <QWidget>

// Never shown. Takes a path, looks its extension up in the extension groups and opens the matching tool
// window with it; a path no group claims opens the home launcher, in chooser mode when the path exists.
class BRIVO_CORE_EXPORT doch : public QWidget
{
    Q_OBJECT
public:
    explicit doch(QWidget *parent = nullptr);

    void doallforshow(QString path);

public slots:
    // Dispatches the stored path, which is always empty: it opens a plain launcher.
    void doallforshow();

private:
    QString path;
};
