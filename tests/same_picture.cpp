// Whether the Windows build's --snapshot shows what the Linux build's does. The two draw text
// with different FreeType builds, so letters differ at their edges and pixel equality is not
// to be had: the pictures are compared at a quarter of their size, where only the shapes count.
//   same_picture A.png B.png [C.png]
// exit 0 when A is like B (and, with C, more like B than like C: C being the picture with
// other captions, this tells that A's captions are B's); otherwise 1.
#include "ScreenPictures.h"

#include <QGuiApplication>
#include <cstdio>

using kalvora::test::meanChannelDifference;

namespace {

QImage quarter(const char* file) {
    const QImage image(QString::fromLocal8Bit(file));
    return image.scaled(image.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: same_picture A.png B.png [C.png]\n");
        return 2;
    }
    const QImage a = quarter(argv[1]);
    const double fromB = meanChannelDifference(a, quarter(argv[2]));
    const double fromC = argc == 4 ? meanChannelDifference(a, quarter(argv[3])) : 255;
    std::fprintf(stderr, "same_picture: %.2f apart from %s", fromB, argv[2]);
    if (argc == 4)
        std::fprintf(stderr, ", %.2f from %s", fromC, argv[3]);
    std::fprintf(stderr, "\n");
    return fromB < 1.0 && fromB < fromC ? 0 : 1;
}
