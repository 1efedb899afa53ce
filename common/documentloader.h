// Reads a text file, or the text of a recovery copy, into an editor's text area: a small file at once, a
// large one on a worker thread and then into the text area a slice at a time while the window keeps
// answering.
#pragma once

#include "brivo_core_export.h"

#include "common/textfile.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QPlainTextEdit;
class QTextDocument;

namespace brivo {

struct RecoveryCopy;

class BRIVO_CORE_EXPORT DocumentLoader : public QObject
{
    Q_OBJECT
public:
    // Files from this size on are read in the background.
    static constexpr qint64 backgroundBytes = 1024 * 1024;

    // Loads into `edit`, which owns the loader.
    explicit DocumentLoader(QPlainTextEdit *edit);
    ~DocumentLoader() override;

    // Reads the file at `path` (in the encoding `as` when one is given), or the text of `copy` when one is
    // given, into the text area, and gives up a load under way. A path with nothing at it gives an empty
    // document. Below backgroundBytes, and for a path that is no regular file, finished() or failed() comes
    // before this returns; otherwise progress(0) does, and the text area is read-only until the end.
    void load(const QString &path, const RecoveryCopy *copy = nullptr, const TextEncoding *as = nullptr);
    // Gives up a load under way: the text area shows the document from before it again. Emits nothing.
    void cancel();
    // True while a large file is on its way into the text area.
    bool isLoading() const { return m_busy; }

    struct Fill;

signals:
    // How much of a large file's text is in the text area: 0 when the load goes to the background, then in
    // steps of ten.
    void progress(int percent);
    // The text area shows the loaded text, no step to undo; `format` is how the file stores it (a path with
    // nothing at it gives an empty text in the default format).
    void finished(const brivo::TextFormat &format);
    // Nothing was loaded, and the text area shows what it showed before.
    void failed(const QString &error);

private:
    void startFill(std::shared_ptr<Fill> fill);
    void fillSome(int generation);
    // Puts the document from before a fill back into the text area, and frees the part filled so far.
    void restoreShelved();
    void setBusy(bool busy);

    QPlainTextEdit *m_edit;
    std::shared_ptr<Fill> m_fill;
    QPointer<QTextDocument> m_shelved; // the document from before a fill under way
    int m_generation = 0;
    bool m_busy = false;
    bool m_wasReadOnly = false;
};

} // namespace brivo
