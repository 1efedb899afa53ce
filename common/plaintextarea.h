// The editors' text area: a QPlainTextEdit whose copies and drags carry the selection as plain text.
#pragma once

#include "brivo_core_export.h"

#include <QPlainTextEdit>

class QKeyEvent;
class QMimeData;

namespace brivo {

class BRIVO_CORE_EXPORT PlainTextArea : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PlainTextArea(QWidget *parent = nullptr);

    // The selection as copying gives it.
    QMimeData *selectionMimeData() const;

protected:
    // Select All (Ctrl+A) offers the selection to other programs (the X11 primary selection) without
    // copying it: its text is taken when a program asks for it, as the selection stands then.
    void keyPressEvent(QKeyEvent *event) override;
    // The selection's text, line breaks as LF. QPlainTextEdit's own copy first builds a rich-text copy of
    // the selection, line by line: seconds for the whole of a 50 MB document, where the text alone takes a
    // few tens of milliseconds. The text is all a plain-text editor has to give.
    QMimeData *createMimeDataFromSelection() const override;
};

} // namespace brivo
