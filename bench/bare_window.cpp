// The yardstick of scripts/measure-shown: a bare Qt window of the main window's size,
// started and painted the way the program's window is, so the program's start-up can be
// read beside what Qt itself costs from exec to a first paint.

#include <QApplication>
#include <QPainter>
#include <QWidget>

class BareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* event) override;
};

// Out of line, so the measurement can put its probe on it.
void BareWindow::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::black);
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    BareWindow window;
    window.setFixedSize(960, 640);
    window.show();
    return application.exec();
}
