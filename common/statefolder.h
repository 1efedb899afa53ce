// The one place where Brivo keeps what it remembers between runs: recovery copies, recent files, the last
// page of a document. Never the tool root, which belongs to the toolchains.
#pragma once

#include "brivo_core_export.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace brivo {

// The user's state folder for Brivo, not created here: $BRIVO_STATE_DIR when it is set (tests point it at
// a temporary folder on every platform), else $XDG_STATE_HOME/brivo on Linux and the other free Unixes
// (~/.local/state/brivo when that variable is unset or not absolute), else the platform's local
// application data folder with "Brivo" below it.
BRIVO_CORE_EXPORT QString stateFolder();

// `name` below the state folder; `name` may hold folders ("recovery/x.json").
QString statePath(const QString &name);

// Creates `path` and its missing parents, readable by the user alone: state holds the user's text.
bool makePrivateFolder(const QString &path);

// The bytes of the state file `name`. A file that is missing or cannot be read gives empty bytes: state is
// a convenience, and a broken file must never stop the program.
BRIVO_CORE_EXPORT QByteArray readStateFile(const QString &name);

// The JSON object in the state file `name`; a missing, unreadable or broken file gives an empty object.
BRIVO_CORE_EXPORT QJsonObject readStateObject(const QString &name);

// Replaces the state file `name` with `bytes` in one step (a crash leaves the old file or the new one,
// never half of either), creating the folders it needs. False, with the reason in `error`, when it fails.
BRIVO_CORE_EXPORT bool writeStateFile(const QString &name, const QByteArray &bytes, QString *error = nullptr);
BRIVO_CORE_EXPORT bool writeStateObject(const QString &name, const QJsonObject &object,
                                        QString *error = nullptr);

} // namespace brivo
