#include "common/findbar.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace brivo {

namespace {

QPushButton *addButton(QHBoxLayout *row, const QString &text, const QString &name, const QString &tip)
{
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

QCheckBox *addOption(QHBoxLayout *row, const QString &text, const QString &name, const QString &tip)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    box->setToolTip(tip);
    row->addWidget(box);
    return box;
}

} // namespace

FindBar::FindBar(Parts parts, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("findBar"));
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);

    auto *findRow = new QHBoxLayout;
    rows->addLayout(findRow);
    findRow->addWidget(new QLabel(tr("Find:")));
    m_find = new QLineEdit;
    m_find->setObjectName(QStringLiteral("findEdit"));
    m_find->setClearButtonEnabled(true);
    m_find->setToolTip(tr("Text to find; Return finds the next match, Shift+Return the previous one"));
    findRow->addWidget(m_find, 1);
    connect(m_find, &QLineEdit::textEdited, this, &FindBar::searchChanged);
    connect(m_find, &QLineEdit::returnPressed, this,
            [this] { emit findRequested(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier); });
    connect(addButton(findRow, tr("Previous"), QStringLiteral("findPreviousButton"),
                      tr("Find the previous match (Shift+F3)")),
            &QPushButton::clicked, this, [this] { emit findRequested(true); });
    connect(addButton(findRow, tr("Next"), QStringLiteral("findNextButton"), tr("Find the next match (F3)")),
            &QPushButton::clicked, this, [this] { emit findRequested(false); });
    if (parts & Options) {
        m_matchCase = addOption(findRow, tr("Match case"), QStringLiteral("matchCaseBox"),
                                tr("Find only text with the same upper and lower case letters"));
        m_wholeWords = addOption(findRow, tr("Whole words"), QStringLiteral("wholeWordsBox"),
                                 tr("Find only matches that are not part of a longer word"));
        m_regularExpression =
            addOption(findRow, tr("Regular expression"), QStringLiteral("regularExpressionBox"),
                      tr("Read the search text as a regular expression; in the replacement \\1 stands "
                         "for the first group"));
        for (QCheckBox *box : {m_matchCase, m_wholeWords, m_regularExpression})
            connect(box, &QCheckBox::toggled, this, &FindBar::searchChanged);
    }
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("findMessage"));
    m_message->setTextFormat(Qt::PlainText);
    findRow->addWidget(m_message, 1);
    auto *closeButton = new QToolButton;
    closeButton->setObjectName(QStringLiteral("findCloseButton"));
    closeButton->setText(QStringLiteral("\u00D7"));
    closeButton->setAutoRaise(true);
    closeButton->setToolTip(tr("Close the find bar (Escape)"));
    findRow->addWidget(closeButton);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::dismiss);

    if (parts & Replace) {
        m_replaceRow = new QWidget;
        auto *replaceRow = new QHBoxLayout(m_replaceRow);
        replaceRow->setContentsMargins(0, 0, 0, 0);
        replaceRow->addWidget(new QLabel(tr("Replace:")));
        m_replace = new QLineEdit;
        m_replace->setObjectName(QStringLiteral("replaceEdit"));
        m_replace->setToolTip(tr("Text that takes the place of each match"));
        replaceRow->addWidget(m_replace, 1);
        connect(addButton(replaceRow, tr("Replace"), QStringLiteral("replaceButton"),
                          tr("Replace the selected match and find the next one")),
                &QPushButton::clicked, this, &FindBar::replaceRequested);
        connect(addButton(replaceRow, tr("Replace All"), QStringLiteral("replaceAllButton"),
                          tr("Replace every match in the document; one Undo takes it all back")),
                &QPushButton::clicked, this, &FindBar::replaceAllRequested);
        connect(m_replace, &QLineEdit::returnPressed, this, &FindBar::replaceRequested);
        replaceRow->addStretch(1);
        rows->addWidget(m_replaceRow);
        m_replaceRow->hide();
    }

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &FindBar::dismiss);
    setFocusProxy(m_find);
    hide();
}

QString FindBar::text() const
{
    return m_find->text();
}

QString FindBar::replacement() const
{
    return m_replace ? m_replace->text() : QString();
}

SearchOptions FindBar::options() const
{
    SearchOptions options;
    if (m_matchCase) {
        options.matchCase = m_matchCase->isChecked();
        options.wholeWords = m_wholeWords->isChecked();
        options.regularExpression = m_regularExpression->isChecked();
    }
    return options;
}

void FindBar::showMessage(const QString &message, Tone tone)
{
    m_message->setText(message);
    m_message->setStyleSheet(tone == Tone::Error ? QStringLiteral("color:#b00000;") : QString());
}

QString FindBar::message() const
{
    return m_message->text();
}

void FindBar::openFind()
{
    open(false);
}

void FindBar::openReplace()
{
    open(true);
}

bool FindBar::replaceShown() const
{
    return m_replaceRow && !m_replaceRow->isHidden();
}

void FindBar::open(bool withReplace)
{
    if (m_replaceRow)
        m_replaceRow->setVisible(withReplace);
    show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void FindBar::dismiss()
{
    hide();
    showMessage(QString());
    emit closed();
}

} // namespace brivo
