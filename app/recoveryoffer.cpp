#include "app/recoveryoffer.h"

#include "app/toolopeners.h"
#include "common/recoverydialog.h"
#include "common/recoverystore.h"
#include "common/tooltable.h"
#include "ide/ide.h"
#include "txtedit/txtedit.h"

namespace brivo {

void offerRecoveredDocuments()
{
    OrphanedCopies orphans;
    if (orphans.copies().isEmpty())
        return;
    const QHash<QString, QString> toolNames{
        {QString::fromLatin1(txtedit::recoveryTool), QStringLiteral("Notepad")},
        {QString::fromLatin1(ide::recoveryTool), QStringLiteral("IDE")}};
    RecoveryDialog dialog(orphans.copies(), toolNames);
    dialog.exec();
    switch (dialog.choice()) {
    case RecoveryDialog::Restore:
        for (const RecoveryCopy &copy : orphans.adoptAll()) {
            if (copy.tool == QLatin1String(ide::recoveryTool)) {
                if (auto *window = qobject_cast<ide *>(openTool(Tool::CodeEditor, QString())))
                    window->restoreCopy(copy);
            } else if (auto *window = qobject_cast<txtedit *>(openTool(Tool::Notepad, QString()))) {
                window->restoreCopy(copy);
            }
        }
        break;
    case RecoveryDialog::Discard:
        orphans.discardAll();
        break;
    case RecoveryDialog::Later:
        break;
    }
}

} // namespace brivo
