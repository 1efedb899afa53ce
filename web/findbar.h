// The find-in-page line of the web browser: shown by Ctrl+F above the status label.
#pragma once

#include <QLineEdit>

class findbar : public QLineEdit
{
    Q_OBJECT
public:
    explicit findbar(QWidget *parent = nullptr);

signals:
    // Return looks for the next match, Shift+Return for the previous one; typing looks again from the
    // current match so the page follows the text as it grows.
    void findRequested(const QString &text, bool backward);
    // Escape: the bar hides and the page drops its highlighting.
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
