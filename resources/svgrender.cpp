// Build-time tool: renders one of our SVG sources into a PNG of a given size,
// so the pictures compiled into the program stay editable as text.
//   svgrender in.svg out.png width height
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: svgrender in.svg out.png width height\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    const int w = QByteArray(argv[3]).toInt(), h = QByteArray(argv[4]).toInt();
    if (!svg.isValid() || w <= 0 || h <= 0) {
        std::fprintf(stderr, "svgrender: cannot render %s\n", argv[1]);
        return 1;
    }
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    svg.render(&p);
    p.end();
    return img.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
