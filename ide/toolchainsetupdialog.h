// The code editor's "Set up toolchains..." dialog: which languages this system can run, and the commands
// under the tool root that let the Build menu run them.
#pragma once

#include "brivo_core_export.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace brivo {
struct Toolchain;
}

// One row per language of the Build menu, in its order: ticked when the system has a toolchain for it,
// with the programs found or the Debian package that brings one, and whether its command is set up.
// "Set up" writes the folders and commands of the ticked languages; a command that differs from what Set up
// would write (the user's own, or one changed since) is replaced only when the user says so.
class BRIVO_CORE_EXPORT ToolchainSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ToolchainSetupDialog(QWidget *parent = nullptr);
    ~ToolchainSetupDialog() override;

    // Looks for the toolchains and the commands again and shows what it found; ticks follow what is found.
    void refresh();
    // Writes what the ticked rows need; the outcome shows under the list.
    void setUp();

private:
    // Shows whether each language's command is set up, as it stands on disk now.
    void showCommands();

    QTreeWidget *m_list;
    QLabel *m_summary;
    QPushButton *m_setUp;
    QList<brivo::Toolchain> m_toolchains; // one per row
};
