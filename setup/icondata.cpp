// Build-time tool: turns the installation's icon (a PNG) into the numbers of
// an X11 _NET_WM_ICON property, for the bootstrap's window, which has no
// toolkit that could read a PNG at run time.
//   icondata in.png out.inc size…
// writes, for each size: width, height, then one 0xAARRGGBB value per pixel.
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: icondata in.png out.inc size...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "icondata: cannot read %s\n", argv[1]);
        return 1;
    }
    QByteArray text = "// Generated from the installation's icon.\n";
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0 || size > 256) {
            std::fprintf(stderr, "icondata: bad size %s\n", argv[i]);
            return 2;
        }
        const QImage img = source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
        text += QByteArray::number(img.width()) + ", " + QByteArray::number(img.height()) + ",\n";
        for (int y = 0; y < img.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                text += "0x" + QByteArray::number(row[x], 16).rightJustified(8, '0') + "ul,";
            text += '\n';
        }
    }
    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        std::fprintf(stderr, "icondata: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
