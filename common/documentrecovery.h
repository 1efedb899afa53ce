// An editor window's side of the recovery copies: when its text is copied, and when the copy goes.
#pragma once

#include "brivo_core_export.h"

#include "common/documentcapture.h"
#include "common/recoverystore.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QPlainTextEdit;

namespace brivo {

// Keeps a recovery copy of the unsaved text of one text area (whichever document it shows): taken at most
// two seconds after a change, and again at most every two seconds while changes go on. The text is copied
// in slices between events and written on the store's worker thread, so typing in a large document never
// waits for it. The window says when its text becomes unsaved (changed()) and when it is saved, discarded or
// replaced (unchanged()), which removes the copy.
class BRIVO_CORE_EXPORT DocumentRecovery : public QObject
{
    Q_OBJECT
public:
    // `tool` names the window's tool in the copies ("notepad", "ide"); `separators` says how the window
    // saves line separators, which the copies follow.
    DocumentRecovery(QPlainTextEdit *edit, const QString &tool, LineSeparators separators);
    // The copy stays: a window that goes away with unsaved text leaves it to be offered at the next start.
    ~DocumentRecovery() override;

    // The file (made absolute) and the format that the copies record for the document.
    void setFile(const QString &path, const TextFormat &format);
    // The text changed and is not saved.
    void changed();
    // The text was saved, discarded or replaced by another: its copy goes.
    void unchanged();
    // The text area now holds the text of `copy`, restored; later copies replace that one.
    void adopt(const RecoveryCopy &copy);

    // Takes the copy of text changed since the last one now, rather than when the delay runs out.
    void copyPending();
    // No copy waiting to be taken or written.
    bool isIdle() const;
    // The copy's name in the store; empty while there is none.
    QString copyId() const { return m_id; }

    // The longest time from a change to its copy; tests shorten it.
    static int delayMs();
    static void setDelayForTesting(int ms);

private:
    void copyNow();
    void captured();

    QPointer<QPlainTextEdit> m_edit;
    QString m_tool;
    LineSeparators m_separators;
    QString m_path;
    TextFormat m_format;
    QTimer m_timer;
    DocumentCapture m_capture;
    QPointer<QTextDocument> m_capturing; // the document the capture under way copies
    int m_cursor = 0;
    QString m_id;
    int m_generation = 0; // changes with unchanged(): a write asked for before that no longer counts
    bool m_writing = false;
    bool m_pending = false; // the timer ran out while a write was under way
};

} // namespace brivo
