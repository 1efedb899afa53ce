// Tools whose engines are heavy (PDF, media, web) live in libraries loaded the first time a window of
// theirs opens, so that starting the program does not pay for them.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace brivo {

// The entry point every module exports under the name "brivo_module_open_window"
// (BRIVO_DEFINE_MODULE_ENTRY): it creates the tool's window with no parent, hands it `path` as the tool
// takes a file and returns it, not yet shown.
using ModuleEntry = ToolOpener;

// The file name of module `name` on this platform ("brivo_web.so" for "brivo_web"; no "lib" on any platform).
BRIVO_CORE_EXPORT QString moduleFileName(const QString &name);

// Loads module `name` (once per process; it stays loaded) and returns its entry point. When the module
// cannot be found or loaded, an "Error" box names the missing file and nullptr comes back.
BRIVO_CORE_EXPORT ModuleEntry loadModule(const QString &name);

// The modules this build was made without (BRIVO_WITH_WEB=OFF leaves out "brivo_web"). Their tools are
// still in the tool table and on the launcher; opening one says that it is not part of this build.
BRIVO_CORE_EXPORT QStringList modulesLeftOutOfBuild();
BRIVO_CORE_EXPORT bool moduleInBuild(const QString &name);

// Tests leave modules out of a build that has them, to see what a build without them does; passing
// modulesLeftOutOfBuild()'s earlier answer puts things back.
BRIVO_CORE_EXPORT void setModulesLeftOutForTesting(const QStringList &names);

// loadModule() followed by a call of the entry point.
BRIVO_CORE_EXPORT QWidget *openModuleWindow(const QString &name, const QString &path,
                                            const OpenOptions &options);

} // namespace brivo
