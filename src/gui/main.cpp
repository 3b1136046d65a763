#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("QTX52 RS485 Modbus V1.5"));
    w.show();
    return app.exec();
}
