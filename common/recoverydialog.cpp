#include "common/recoverydialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace brivo {

RecoveryDialog::RecoveryDialog(const QList<RecoveryCopy> &copies, const QHash<QString, QString> &toolNames,
                               QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Brivo : Recover Unsaved Text"));
    setAccessibleDescription(
        QStringLiteral("Text that an earlier Brivo could not save: restore it, discard it, or decide later"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral(
        "Brivo ended before the text of these documents was saved. Restore opens each one in its "
        "tool, marked as changed; save it there to keep it."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("recoveredDocuments"));
    m_list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Folder"), QStringLiteral("Tool"),
                             QStringLiteral("Time"), QStringLiteral("Size")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus); // Return goes to Restore
    const QLocale locale;
    for (const RecoveryCopy &copy : copies) {
        const QFileInfo file(copy.path);
        QString name = copy.path.isEmpty() ? QStringLiteral("Untitled") : file.fileName();
        if (copy.beforeSave)
            name += QStringLiteral(" (as it was before a save)");
        if (copy.damaged)
            name += QStringLiteral(" (record damaged)");
        // Files of one name in two folders are told apart, and Save goes back to this folder.
        const QString folder = copy.path.isEmpty() ? QString() : QDir::toNativeSeparators(file.path());
        auto *item =
            new QTreeWidgetItem(m_list, {name, folder, toolNames.value(copy.tool, copy.tool),
                                         locale.toString(copy.time.toLocalTime(), QLocale::ShortFormat),
                                         locale.formattedDataSize(copy.size)});
        // A tool tip reads markup; the path is shown as it is.
        item->setToolTip(0, copy.path.isEmpty() ? QStringLiteral("A new document, never saved")
                                                : QStringLiteral("<p>%1</p>").arg(copy.path.toHtmlEscaped()));
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int column = 2; column < 5; ++column)
        m_list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox;
    QPushButton *restore = buttons->addButton(QStringLiteral("Restore"), QDialogButtonBox::AcceptRole);
    restore->setToolTip(QStringLiteral("Open each document in its tool, with its text and its file name"));
    QPushButton *discard = buttons->addButton(QStringLiteral("Discard"), QDialogButtonBox::DestructiveRole);
    discard->setToolTip(QStringLiteral("Delete this unsaved text for good"));
    QPushButton *later = buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    later->setToolTip(QStringLiteral("Keep the text and ask again when Brivo next starts"));
    restore->setDefault(true);
    restore->setFocus();
    layout->addWidget(buttons);

    connect(restore, &QPushButton::clicked, this, [this] {
        m_choice = Restore;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, &RecoveryDialog::confirmDiscard);
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [this] {
        if (m_choice != Discard)
            m_choice = Later;
    });
    resize(760, 300);
}

void RecoveryDialog::confirmDiscard()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brivo : Discard Unsaved Text"),
                    tr("The unsaved text of %n document(s) will be deleted for good.", nullptr,
                       m_list->topLevelItemCount()),
                    QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Discard)
        return;
    m_choice = Discard;
    done(QDialog::Accepted);
}

} // namespace brivo
