#include "ide/toolchainsetupdialog.h"

#include "common/errorbox.h"
#include "ide/languagetable.h"
#include "ide/toolchainsetup.h"
#include "platform/toolroot.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    LanguageColumn,
    ToolchainColumn,
    CommandColumn
};

QString stateText(brivo::CommandState state, const brivo::ToolchainFiles &files)
{
    switch (state) {
    case brivo::CommandState::SetUp:
        return files.commandPath.isEmpty() ? QStringLiteral("set up (folder only)")
                                           : QStringLiteral("set up");
    case brivo::CommandState::Changed:
        return QStringLiteral("your own (changed)");
    case brivo::CommandState::NotSetUp:
        break;
    }
    return QStringLiteral("not set up");
}

} // namespace

ToolchainSetupDialog::ToolchainSetupDialog(QWidget *parent)
    : QDialog(parent), m_list(new QTreeWidget), m_summary(new QLabel),
      m_setUp(new QPushButton(QStringLiteral("Set up")))
{
    setObjectName(QStringLiteral("toolchainSetup"));
    setWindowTitle(QStringLiteral("Brivo : Set up toolchains"));
    setAccessibleDescription(
        QStringLiteral("The languages the code editor can build, and the scripts Set up writes for them"));

    auto *intro = new QLabel(
        QStringLiteral("Set up writes, for each ticked language, its folder under %1 and a short shell "
                       "script that compiles or runs the program text with the toolchain found here. "
                       "A script you have changed is replaced only when you say so.")
            .arg(QDir::toNativeSeparators(brivo::toolRoot() + QStringLiteral("/Ide"))));
    intro->setWordWrap(true);

    m_list->setObjectName(QStringLiteral("toolchainList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels(
        {QStringLiteral("Language"), QStringLiteral("Toolchain"), QStringLiteral("Command")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setToolTip(QStringLiteral("Tick the languages whose commands Set up is to write"));

    m_summary->setObjectName(QStringLiteral("setupSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox;
    m_setUp->setObjectName(QStringLiteral("setUpButton"));
    m_setUp->setToolTip(QStringLiteral("Write the folders and commands of the ticked languages"));
    m_setUp->setDefault(true);
    buttons->addButton(m_setUp, QDialogButtonBox::ActionRole);
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    close->setToolTip(QStringLiteral("Close this window"));
    connect(m_setUp, &QPushButton::clicked, this, &ToolchainSetupDialog::setUp);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(680, 380);
    refresh();
}

ToolchainSetupDialog::~ToolchainSetupDialog() = default;

void ToolchainSetupDialog::refresh()
{
    int count = 0;
    const brivo::LanguageRun *runs = brivo::languageRuns(&count);
    m_toolchains.clear();
    for (int row = 0; row < count; ++row) {
        const brivo::Toolchain toolchain = brivo::findToolchain(runs[row].language);
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        if (!item)
            item = new QTreeWidgetItem(m_list, {QLatin1String(runs[row].statusName)});
        item->setCheckState(LanguageColumn, toolchain.found ? Qt::Checked : Qt::Unchecked);
        if (toolchain.found) {
            item->setText(ToolchainColumn, toolchain.programs.join(QStringLiteral(" and ")));
            item->setToolTip(ToolchainColumn, toolchain.paths.join(QLatin1Char('\n')));
        } else {
            item->setText(ToolchainColumn,
                          QStringLiteral("missing: install the Debian package ") + toolchain.debianPackage);
            item->setToolTip(ToolchainColumn, QStringLiteral("Not found on the search path: ") +
                                                  toolchain.programs.join(QStringLiteral(", ")));
        }
        m_toolchains.append(toolchain);
    }
    showCommands();
}

void ToolchainSetupDialog::showCommands()
{
    for (int row = 0; row < m_toolchains.size(); ++row) {
        const brivo::ToolchainFiles files = brivo::toolchainFiles(m_toolchains.at(row));
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        item->setText(CommandColumn, stateText(brivo::commandState(files), files));
        item->setToolTip(CommandColumn, QDir::toNativeSeparators(
                                            files.commandPath.isEmpty() ? files.folder : files.commandPath));
    }
}

void ToolchainSetupDialog::setUp()
{
    QStringList written, kept, failed;
    for (int row = 0; row < m_toolchains.size(); ++row) {
        const QTreeWidgetItem *item = m_list->topLevelItem(row);
        if (item->checkState(LanguageColumn) != Qt::Checked)
            continue;
        const QString language = item->text(LanguageColumn);
        const brivo::ToolchainFiles files = brivo::toolchainFiles(m_toolchains.at(row));
        const brivo::CommandState state = brivo::commandState(files);
        if (state == brivo::CommandState::SetUp)
            continue;
        if (state == brivo::CommandState::Changed) {
            QMessageBox question(
                QMessageBox::Question, QStringLiteral("Brivo : Replace a changed command"),
                QStringLiteral("The %1 command %2 is not the one Set up writes: you may have changed it.\n\n"
                               "Replace it with Set up's script?")
                    .arg(language, QDir::toNativeSeparators(files.commandPath)),
                QMessageBox::Yes | QMessageBox::No, this);
            question.setTextFormat(Qt::PlainText); // a path may hold "<"
            question.setDefaultButton(QMessageBox::No);
            if (question.exec() != QMessageBox::Yes) {
                kept.append(language);
                continue;
            }
        }
        QString error;
        if (brivo::writeToolchainFiles(files, &error)) {
            written.append(language);
        } else {
            failed.append(language);
            brivo::showErrorBox(this, error);
        }
    }

    QStringList summary;
    if (!written.isEmpty())
        summary << QStringLiteral("Set up: %1.").arg(written.join(QStringLiteral(", ")));
    if (!kept.isEmpty())
        summary << QStringLiteral("Kept your own: %1.").arg(kept.join(QStringLiteral(", ")));
    if (!failed.isEmpty())
        summary << QStringLiteral("Failed: %1.").arg(failed.join(QStringLiteral(", ")));
    if (summary.isEmpty())
        summary << QStringLiteral("Nothing to do: the ticked languages are set up.");
    m_summary->setText(summary.join(QLatin1Char(' ')));

    // The ticks stay as the user left them; the commands show what is on disk now.
    showCommands();
}
