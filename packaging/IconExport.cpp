// Writes the program's icon as hicolor theme PNGs: icon-export DIR NAME SIZE...
#include "shell/widgets/PelorinIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("usage: pelorin_icon_export DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = PelorinIcon(QStringLiteral("app"));
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(size);
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        if (size <= 0 || !QDir().mkpath(folder) || pixmap.isNull()
            || !pixmap.save(folder + u'/' + name + QStringLiteral(".png"))) {
            std::fprintf(stderr, "cannot write the %d px icon into %s\n", size, argv[1]);
            return 1;
        }
    }
    return 0;
}
