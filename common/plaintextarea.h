// The editors' text area: a QPlainTextEdit whose copies and drags carry the selection as plain text.
#pragma once

#include <QPlainTextEdit>

class QMimeData;

namespace brivo {

class PlainTextArea : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PlainTextArea(QWidget *parent = nullptr);

protected:
    // The selection's text, line breaks as LF. QPlainTextEdit's own copy first builds a rich-text copy of
    // the selection, line by line: seconds for the whole of a 50 MB document, where the text alone takes a
    // few tens of milliseconds. The text is all a plain-text editor has to give.
    QMimeData *createMimeDataFromSelection() const override;
};

} // namespace brivo
