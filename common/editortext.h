// The text of an editor's document, as it goes back into a file.
#pragma once

#include <QString>

class QTextDocument;

namespace brivo {

// The document's text with its paragraphs and line breaks as LF. Unlike QTextDocument::toPlainText() it
// keeps non-breaking spaces as they are, so a file that holds them saves back unchanged.
QString documentPlainText(const QTextDocument *document);

} // namespace brivo
