// The find bar that opens under a document: a search field with next and previous, and optionally the
// search options (match case, whole words, regular expression) and a replace row. It only asks; whoever
// owns the document answers through its signals and puts the outcome back with showMessage().
#pragma once

#include "brivo_core_export.h"

#include "common/textsearch.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brivo {

class BRIVO_CORE_EXPORT FindBar : public QWidget
{
    Q_OBJECT
public:
    enum Part
    {
        FindOnly = 0,
        Options = 1, // match case, whole words, regular expression
        Replace = 2, // the replace row, shown by openReplace()
    };
    Q_DECLARE_FLAGS(Parts, Part)

    explicit FindBar(Parts parts, QWidget *parent = nullptr);

    QString text() const;
    QString replacement() const;
    SearchOptions options() const;

    enum class Tone
    {
        Note,
        Error,
    };
    // A line beside the buttons: the number of matches, a wrap-around, what is wrong with the expression.
    void showMessage(const QString &message, Tone tone = Tone::Note);
    QString message() const;

    // Shows the bar (without the replace row) with the search field selected and keyboard on it.
    void openFind();
    // Shows the bar with the replace row; the search field has the keyboard.
    void openReplace();
    bool replaceShown() const;
    // Hides the bar and says so (closed()).
    void dismiss();

signals:
    // The search text or an option changed; searching again from where the last match began keeps the
    // match in view as the user types.
    void searchChanged();
    void findRequested(bool backward);
    void replaceRequested();
    void replaceAllRequested();
    // The bar was closed (Escape or its close button); the document may take the keyboard back.
    void closed();

private:
    void open(bool withReplace);

    QLineEdit *m_find = nullptr;
    QLineEdit *m_replace = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QCheckBox *m_wholeWords = nullptr;
    QCheckBox *m_regularExpression = nullptr;
    QWidget *m_replaceRow = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace brivo

Q_DECLARE_OPERATORS_FOR_FLAGS(brivo::FindBar::Parts)
