#include "web/findbar.h"

#include <QKeyEvent>

findbar::findbar(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("findBar"));
    setPlaceholderText(QStringLiteral("Find in page"));
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString &text) { emit findRequested(text, false); });
}

void findbar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit findRequested(text(), event->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_Escape:
        emit closeRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
