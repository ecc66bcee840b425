// The yardstick of bench/startup.sh: the least a Qt window with four changing labels costs.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    QLabel* labels[4];
    for (int i = 0; i < 4; ++i) {
        labels[i] = new QLabel(QStringLiteral("%1 C").arg(20 + i), &window);
        labels[i]->setGeometry(16 + 80 * i, 24, 72, 25);
    }
    window.resize(350, 63);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int tick = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++tick;
        for (int i = 0; i < 4; ++i)
            labels[i]->setText(QStringLiteral("%1 C").arg(20 + i + tick % 3));
    });
    timer.start(1000);
    window.show();
    return app.exec();
}
