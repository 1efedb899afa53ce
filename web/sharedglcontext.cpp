#include "web/sharedglcontext.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

QT_BEGIN_NAMESPACE
// Exported by QtGui for the modules that need to set the shared context late (the web engine declares it
// the same way); no public header carries it.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace brivo {

namespace {

QOpenGLContext *sharedContext = nullptr;

// Runs while the application is being destroyed, after the web engine has shut down (post routines run
// newest first) and while the platform that made the context still exists.
void deleteSharedContext()
{
    if (QOpenGLContext::globalShareContext() == sharedContext)
        qt_gl_set_global_share_context(nullptr);
    delete sharedContext;
    sharedContext = nullptr;
}

} // namespace

void ensureSharedGlContext()
{
    if (QOpenGLContext::globalShareContext() || !QCoreApplication::instance())
        return;
    sharedContext = new QOpenGLContext;
    sharedContext->setFormat(QSurfaceFormat::defaultFormat());
    sharedContext->create();
    qt_gl_set_global_share_context(sharedContext);
    qAddPostRoutine(deleteSharedContext);
}

} // namespace brivo
