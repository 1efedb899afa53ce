// The yardstick for start-up: a Qt program that shows one empty window. With BRIVO_QUIT_AFTER_FIRST_PAINT
// set it ends after its first paint, as the program does; otherwise it stays on the screen idle.
#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

class EmptyWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        if (qEnvironmentVariableIsSet("BRIVO_QUIT_AFTER_FIRST_PAINT"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    EmptyWindow window;
    window.resize(600, 660);
    window.show();
    return app.exec();
}
