// Renders the program's SVG icon as a PNG of a given size for the desktop's icon theme, so the
// sizes are made from the one drawing at build time.
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: render_icon IN.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    const int size = QByteArray(argv[2]).toInt();
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    QImage image = reader.read();
    if (image.isNull() || size <= 0) {
        std::fprintf(stderr, "render_icon: %s\n", qPrintable(reader.errorString()));
        return 1;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    return image.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
