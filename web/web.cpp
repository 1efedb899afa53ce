#include "web/web.h"

#include "common/controlhelp.h"
#include "common/conventions.h"
#include "common/filestamp.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "common/windowkeeper.h"
#include "web/browserpage.h"
#include "web/enginestart.h"
#include "web/findbar.h"
#include "web/localpages.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <functional>
#include <iterator>

namespace {

// How long a click or key of the user's may open one window: the engine's own user activation lasts
// about as long.
constexpr qint64 kGestureMs = 5000;

// The last part of a file name a page suggests (any folder parts removed, whichever separator they use);
// "download" when nothing is left.
QString plainFileName(const QString &suggested)
{
    QString name = suggested.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("download");
    return name;
}

QPushButton *squareButton(const QIcon &icon, const char *name)
{
    auto *button = new QPushButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(icon);
    button->setMinimumSize(30, 30);
    button->setMaximumSize(30, 30);
    return button;
}

QString byteCount(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

web::web(QWidget *parent) : QWidget(parent)
{
    // The engine reads its settings when the first page is made, so they go in before the first view.
    brivo::prepareWebEngine();

    view = new QWebEngineView(this);
    view->setPage(new BrowserPage(this));

    QPushButton *back = squareButton(QIcon(QStringLiteral(":/images/b.png")), "backButton");
    QPushButton *forward = squareButton(QIcon(QStringLiteral(":/images/f.png")), "forwardButton");
    QPushButton *reload = squareButton(QIcon(QStringLiteral(":/images/reload.png")), "reloadButton");
    connect(reload, &QPushButton::clicked, view, &QWebEngineView::reload);

    auto *navigation = new QWidget;
    auto *navigationLayout = new QHBoxLayout;
    navigationLayout->addWidget(back);
    navigationLayout->addWidget(forward);
    navigationLayout->addWidget(reload);
    navigation->setLayout(navigationLayout);
    navigation->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    urlEdit = new QLineEdit;
    urlEdit->setObjectName(QStringLiteral("urlEdit"));

    QPushButton *go = squareButton(QIcon(QStringLiteral(":/images/go.png")), "goButton");
    connect(go, &QPushButton::clicked, this, &web::loadurl);
    QPushButton *home = squareButton(brivo::homeIconImage(), "homeButton");
    connect(home, &QPushButton::clicked, this, &web::hom);
    // Return in the address line loads the address as the go button does.
    connect(urlEdit, &QLineEdit::returnPressed, this, &web::loadurl);

    statusLabel = new QLabel;
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setAlignment(Qt::AlignRight);
    statusLabel->setFixedHeight(20);

    auto *toolRow = new QWidget;
    auto *toolLayout = new QHBoxLayout;
    toolLayout->addWidget(navigation);
    toolLayout->addWidget(urlEdit);
    toolLayout->addWidget(go);
    toolLayout->addWidget(home);
    toolLayout->setContentsMargins(0, 0, 0, 0);
    toolRow->setLayout(toolLayout);
    toolRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(view, &QWebEngineView::loadStarted, this, &web::loadstarted);
    connect(view, &QWebEngineView::loadFinished, this, &web::finished);
    connect(view, &QWebEngineView::loadProgress, this, &web::process);
    connect(view, &QWebEngineView::urlChanged, this, &web::urlchanged);
    connect(back, &QPushButton::clicked, view, &QWebEngineView::back);
    connect(forward, &QPushButton::clicked, view, &QWebEngineView::forward);

    QWebEnginePage *page = view->page();
    // Scripts open windows only from the user's click, so a page cannot bury the desktop in them. (What a
    // page may load from the disk is the profile's to say, for every window at once: see prepareWebEngine.)
    QWebEngineSettings *settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // A local page reaches no web address, and a secure page loads nothing insecure.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    connect(page, &QWebEnginePage::newWindowRequested, this, &web::openInNewWindow);
    connect(page, &QWebEnginePage::findTextFinished, this, &web::showFindResult);
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this, &web::download);

    // Hidden until Ctrl+F; it sits between the page and the status label.
    findBar = new findbar;
    findBar->hide();
    connect(findBar, &findbar::findRequested, this, &web::find);
    connect(findBar, &findbar::closeRequested, this, &web::closeFindBar);
    auto *findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, &web::showFindBar);

    auto *layout = new QVBoxLayout;
    layout->setAlignment(Qt::AlignRight);
    layout->addWidget(toolRow);
    layout->addWidget(view);
    layout->addWidget(findBar);
    layout->addWidget(statusLabel);
    layout->setContentsMargins(0, 0, 0, 0);
    setLayout(layout);
    brivo::describeControls(this, "Web browser: shows web pages and local pages",
                            {{"backButton", "Back", "Back to the previous page"},
                             {"forwardButton", "Forward", "Forward to the next page"},
                             {"reloadButton", "Reload", "Load the page again"},
                             {"urlEdit", "Address", "The page's address; Return loads a typed one"},
                             {"goButton", "Go", "Load the typed address"},
                             {"homeButton", "Brivo Home", "Open the Brivo home window"},
                             {"findBar", "Find in page", "Find in page", {QKeySequence::Find}}});
    addKeys();

    // The engine's view asks for no particular size, so the window would open too small to read a page
    // in; it opens with room for an 800 x 600 page, as a page view traditionally asks for.
    resize(sizeHint().expandedTo(QSize(800, 600 + toolRow->sizeHint().height() + statusLabel->height())));

    setWindowTitle(brivo::toolTitle(brivo::Tool::WebBrowser));
    setAcceptDrops(true);
    // Files dropped anywhere on the window, the page included, go to the drop action rather than being
    // shown in place: neither the view nor the widget it draws the page in (made later, and anew when the
    // page's renderer changes) takes drops, so they reach the window.
    view->setAcceptDrops(false);
    view->installEventFilter(this);
}

bool web::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view && event->type() == QEvent::ChildPolished) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType()) {
            static_cast<QWidget *>(child)->setAcceptDrops(false);
            // The widget the page is drawn in gets the user's clicks and keys.
            child->installEventFilter(this);
        }
    }
    const QEvent::Type type = event->type();
    if (watched != view && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                            (type == QEvent::KeyPress && !static_cast<QKeyEvent *>(event)->isAutoRepeat())))
        m_gesture.start();
    return QWidget::eventFilter(watched, event);
}

void web::openFile(QString path)
{
    if (const QString special = brivo::notRegularFile(path); !special.isEmpty()) {
        statusLabel->setText(special);
        return;
    }
    view->load(brivo::localPageUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())));
    view->show();
}

void web::openAddress(const QUrl &address)
{
    const QString scheme = address.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return;
    urlEdit->setText(address.toString());
    view->load(address);
    view->show();
}

void web::loadurl()
{
    const QString typed = urlEdit->text();
    if (typed.trimmed().isEmpty())
        return;
    // Completed as browsers do: "example.org" becomes an http address, an existing path a file URL.
    view->load(brivo::localPageUrl(QUrl::fromUserInput(typed, QDir::currentPath())));
    view->show();
}

void web::loadstarted()
{
    statusLabel->setText(QStringLiteral("Load Started..."));
}

void web::process(int progress)
{
    statusLabel->setText(QStringLiteral("Processing...") + QString::number(progress));
}

void web::finished(bool)
{
    // A failed load shows the engine's own error page, so the message is the same either way.
    statusLabel->setText(QStringLiteral("Load Finished..."));
}

void web::urlchanged(QUrl url)
{
    // A local page shows the file's own address, as the user knows it.
    urlEdit->setText(brivo::localFileUrl(url).toString());
}

void web::hom()
{
    brivo::goHome();
}

void web::dragEnterEvent(QDragEnterEvent *event)
{
    brivo::acceptAnyDrag(event);
}

void web::dropEvent(QDropEvent *event)
{
    brivo::dropAction(this, event);
}

void web::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    // The page ends at once, before the window goes: no script, timer or sound of it runs in a window
    // nobody can see. A window that is kept anyway (not opened by the program) keeps its address and
    // history; shown again, it reloads.
    // A page that keeps showing dialogs ends too: the open one closes as if cancelled.
    static_cast<BrowserPage *>(view->page())->end();
}

void web::openInNewWindow(QWebEngineNewWindowRequest &request)
{
    // A window needs the user's own click or key, one window for each: neither a script's made-up click
    // nor one click that a script turns into many opens more.
    const bool gesture = m_gesture.isValid() && m_gesture.elapsed() < kGestureMs;
    if (!request.isUserInitiated() || !gesture) {
        statusLabel->setText(QStringLiteral("A window the page asked for was not opened"));
        return;
    }
    m_gesture.invalidate();
    auto *window = new web;
    brivo::keepUntilClosed(window);
    // A window that a local page opens starts on its own, with no hold of the opener on it.
    if (brivo::isLocalPageUrl(view->url()))
        window->view->load(request.requestedUrl());
    else
        request.openIn(window->view->page());
    window->show();
}

void web::download(QWebEngineDownloadRequest *request)
{
    // Every window hears the shared profile; the one whose page asked takes the download.
    if (request->page() != view->page())
        return;

    // In the user's download folder, under the name the page suggests without any folder of it: a page
    // must not choose where its file goes.
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation))
                                  .filePath(plainFileName(request->downloadFileName()));
    const QString target = QFileDialog::getSaveFileName(this, QStringLiteral("Save File"), suggested);
    if (target.isEmpty()) {
        request->cancel();
        statusLabel->setText(QStringLiteral("Download Cancelled..."));
        return;
    }
    const QFileInfo info(target);
    request->setDownloadDirectory(info.absolutePath());
    request->setDownloadFileName(info.fileName());

    const QString name = info.fileName();
    auto showProgress = [this, request, name] {
        const qint64 received = request->receivedBytes();
        const qint64 total = request->totalBytes();
        statusLabel->setText(
            total > 0 ? QStringLiteral("Downloading %1... %2%").arg(name).arg(received * 100 / total)
                      : QStringLiteral("Downloading %1... %2").arg(name, byteCount(received)));
    };
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, showProgress);
    connect(
        request, &QWebEngineDownloadRequest::stateChanged, this,
        [this, request, name, target](QWebEngineDownloadRequest::DownloadState state) {
            switch (state) {
            case QWebEngineDownloadRequest::DownloadCompleted:
                statusLabel->setText(
                    QStringLiteral("Download Finished... %1").arg(QDir::toNativeSeparators(target)));
                break;
            case QWebEngineDownloadRequest::DownloadInterrupted:
                statusLabel->setText(
                    QStringLiteral("Download Failed... %1: %2").arg(name, request->interruptReasonString()));
                break;
            case QWebEngineDownloadRequest::DownloadCancelled:
                statusLabel->setText(QStringLiteral("Download Cancelled..."));
                break;
            default:
                break;
            }
        });
    request->accept();
    showProgress();
}

void web::showFindBar()
{
    findBar->show();
    findBar->setFocus(Qt::ShortcutFocusReason);
    findBar->selectAll();
}

void web::find(const QString &text, bool backward)
{
    view->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}

void web::showFindResult(const QWebEngineFindTextResult &result)
{
    if (findBar->isHidden() || findBar->text().isEmpty())
        return;
    statusLabel->setText(
        result.numberOfMatches() == 0
            ? QStringLiteral("Not found: %1").arg(findBar->text())
            : QStringLiteral("Match %1 of %2").arg(result.activeMatch()).arg(result.numberOfMatches()));
}

void web::closeFindBar()
{
    findBar->hide();
    view->findText(QString()); // drops the highlighting
    view->setFocus();
}

void web::addKeys()
{
    // The zoom levels browsers step through; Ctrl+0 goes back to 1.
    const auto zoom = [this](int direction) {
        static constexpr qreal levels[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                           1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};
        qreal factor = 1.0;
        if (direction != 0) {
            const qreal now = view->zoomFactor();
            factor = direction > 0 ? levels[std::size(levels) - 1] : levels[0];
            for (const qreal level : levels) {
                if (direction > 0 && level > now + 0.001) {
                    factor = level;
                    break;
                }
                if (direction < 0 && level < now - 0.001)
                    factor = level;
            }
        }
        m_siteZoom.insert(view->url().host(), factor);
        view->setZoomFactor(factor);
    };
    struct Keys
    {
        QList<QKeySequence> keys;
        std::function<void()> action;
        // The button whose tooltip names the keys.
        const char *button = nullptr;
    };
    const Keys table[] = {
        {{QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::Key_F6), QKeySequence(Qt::ALT | Qt::Key_D)},
         [this] {
             urlEdit->setFocus(Qt::ShortcutFocusReason);
             urlEdit->selectAll();
         }},
        {{QKeySequence(Qt::ALT | Qt::Key_Left)}, [this] { view->back(); }, "backButton"},
        {{QKeySequence(Qt::ALT | Qt::Key_Right)}, [this] { view->forward(); }, "forwardButton"},
        {{QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)},
         [this] { view->reload(); },
         "reloadButton"},
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [zoom] { zoom(1); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [zoom] { zoom(-1); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_0)}, [zoom] { zoom(0); }},
    };
    for (const Keys &row : table) {
        for (const QKeySequence &key : row.keys)
            connect(new QShortcut(key, this), &QShortcut::activated, this, row.action);
        if (auto *button = row.button ? findChild<QPushButton *>(QLatin1String(row.button)) : nullptr)
            button->setToolTip(brivo::tipWithKeys(button->toolTip(), row.keys));
    }
    // Escape stops a load; at other times it stays the page's own (and the find line's).
    auto *stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stop->setEnabled(false);
    connect(stop, &QShortcut::activated, view, &QWebEngineView::stop);
    connect(view, &QWebEngineView::loadStarted, stop, [stop] { stop->setEnabled(true); });
    connect(view, &QWebEngineView::loadFinished, stop, [stop] { stop->setEnabled(false); });
    // Each site shows at the zoom last chosen for it in this window.
    connect(view, &QWebEngineView::urlChanged, this,
            [this](const QUrl &url) { view->setZoomFactor(m_siteZoom.value(url.host(), 1.0)); });
    // The find line's note ("Match 3 of 3") goes with it.
    connect(findBar, &findbar::closeRequested, statusLabel, &QLabel::clear);
}
