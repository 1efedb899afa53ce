// The question Brivo asks at start when a Brivo process that ended left unsaved text behind.
#pragma once

#include "brivo_core_export.h"

#include "common/recoverystore.h"

#include <QDialog>
#include <QHash>

class QTreeWidget;

namespace brivo {

// Lists the copies (file name or "Untitled", its folder, tool, time, size) with Restore, Discard and Later.
// Restore is the default; Escape and the window's close button mean Later, which loses nothing; Discard asks
// once more.
class BRIVO_CORE_EXPORT RecoveryDialog : public QDialog
{
    Q_OBJECT
public:
    enum Choice
    {
        Restore,
        Discard,
        Later,
    };

    // `toolNames` gives each tool's name as the user knows it ("notepad" -> "Notepad").
    RecoveryDialog(const QList<RecoveryCopy> &copies, const QHash<QString, QString> &toolNames,
                   QWidget *parent = nullptr);

    Choice choice() const { return m_choice; }

private:
    void confirmDiscard();

    QTreeWidget *m_list = nullptr;
    Choice m_choice = Later;
};

} // namespace brivo
