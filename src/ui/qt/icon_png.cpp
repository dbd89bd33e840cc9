// Build tool: writes one PNG per image of the program's icon, for the
// desktop's icon theme, which takes PNG but not ICO.
//   quorvel_icon_png ICON.ico OUTDIR

#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel_icon_png ICON.ico OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // loads the image format plugins
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "ico");
    const QDir out(QString::fromLocal8Bit(argv[2]));
    int written = 0;
    do {
        const QImage image = reader.read();
        if (image.isNull()) break;
        const QString name = QStringLiteral("quorvel-%1.png").arg(image.width());
        if (!image.save(out.filePath(name), "PNG")) return 1;
        ++written;
    } while (reader.jumpToNextImage());
    if (written == 0) {
        std::fprintf(stderr, "quorvel_icon_png: no image in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
