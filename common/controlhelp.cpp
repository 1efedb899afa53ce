#include "common/controlhelp.h"

#include <QStringList>
#include <QWidget>
#include <QtDebug>

namespace brivo {

QString tipWithKeys(const QString &tip, const QList<QKeySequence> &keys)
{
    QStringList names;
    for (const QKeySequence &key : keys) {
        if (!key.isEmpty())
            names.append(key.toString(QKeySequence::NativeText));
    }
    if (names.isEmpty())
        return tip;
    return tip + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void describeControls(QWidget *window, const char *description, std::initializer_list<ControlHelp> table)
{
    window->setAccessibleDescription(QString::fromUtf8(description));
    for (const ControlHelp &row : table) {
        auto *control = window->findChild<QWidget *>(QLatin1String(row.objectName));
        if (!control) {
            qWarning() << "No control" << row.objectName << "in" << window->metaObject()->className();
            continue;
        }
        control->setAccessibleName(QString::fromUtf8(row.name));
        if (row.tip)
            control->setToolTip(tipWithKeys(QString::fromUtf8(row.tip), row.keys));
    }
}

} // namespace brivo
