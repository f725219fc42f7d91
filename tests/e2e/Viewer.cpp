// Shows a PNG at a fixed place on the X display, frameless and unmanaged, so the end-to-end tests know which
// screen pixels hold which content. Usage: ambrel_e2e_viewer IMAGE X Y
#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: ambrel_e2e_viewer IMAGE X Y\n");
        return 2;
    }
    const QPixmap pixmap(QString::fromLocal8Bit(argv[1]));
    if (pixmap.isNull()) {
        std::fprintf(stderr, "ambrel_e2e_viewer: cannot read %s\n", argv[1]);
        return 1;
    }
    QLabel label;
    label.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    label.setWindowTitle(QStringLiteral("Ambrel test pixels"));
    label.setPixmap(pixmap);
    label.setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), pixmap.width(), pixmap.height());
    label.show();
    std::printf("shown\n");
    std::fflush(stdout);
    return app.exec();
}
