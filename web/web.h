// The web browser window: a page view under a tool row (back, forward, reload, the address line, go,
// home) with a one-line status label below it.
#pragma once

#include "brivo_web_export.h"

#include <QElapsedTimer>
#include <QHash>
#include <QUrl>
#include <QWidget>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QWebEngineDownloadRequest;
class QWebEngineFindTextResult;
class QWebEngineNewWindowRequest;
class QWebEngineView;
class findbar;

class BRIVO_WEB_EXPORT web : public QWidget
{
    Q_OBJECT
public:
    explicit web(QWidget *parent = nullptr);

    // Shows the local file at `path` through its own file URL, so the engine decodes its character set
    // and its relative links, pictures and style sheets resolve against its folder.
    void openFile(QString path);
    // Shows a web address (http or https only) given by another tool.
    void openAddress(const QUrl &address);

    QWebEngineView *view;
    QLineEdit *urlEdit;
    QLabel *statusLabel;

public slots:
    void loadurl();
    void loadstarted();
    void process(int);
    void finished(bool);
    void urlchanged(QUrl);
    void hom();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openInNewWindow(QWebEngineNewWindowRequest &request);
    void download(QWebEngineDownloadRequest *request);
    void showFindBar();
    void find(const QString &text, bool backward);
    void showFindResult(const QWebEngineFindTextResult &result);
    void closeFindBar();
    // The browser's keys (address line, history, reload, stop, zoom) and the tooltips that name them.
    void addKeys();

    findbar *findBar;
    // Since the user's last click or key in the page; invalid once a window has been opened for it.
    QElapsedTimer m_gesture;
    // The zoom chosen for each site (host), for this window's life.
    QHash<QString, qreal> m_siteZoom;
};
