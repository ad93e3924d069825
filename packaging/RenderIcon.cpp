// halyard_render_icon: writes the application icon, as AppIconPixmap draws it
// for the program's windows, into PNG files for the desktop's icon theme:
//   halyard_render_icon DIR 48 128 256
// makes DIR/48x48/apps/halyard.png, DIR/128x128/apps/halyard.png, ... Run at
// build time; it needs no display (Qt's offscreen platform).
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/AppIcon.h"

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fputs("Usage: halyard_render_icon DIR SIZE...\n", stderr);
        return 2;
    }
    // Read the arguments before Qt sees them; it takes out the options it knows.
    const QString strDir = QString::fromLocal8Bit(argv[1]);
    std::vector<int> sizes;
    for (int n = 2; n < argc; ++n) {
        bool bNumber = false;
        const int nSize = QString::fromLatin1(argv[n]).toInt(&bNumber);
        if (!bNumber || nSize < 8 || nSize > 1024) {
            std::fprintf(stderr, "halyard_render_icon: not an icon size: %s\n", argv[n]);
            return 2;
        }
        sizes.push_back(nSize);
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    for (int nSize : sizes) {
        const QString strSize = QString::number(nSize);
        const QString strAppsDir = strDir + "/" + strSize + "x" + strSize + "/apps";
        const QString strFile = strAppsDir + "/halyard.png";
        if (!QDir().mkpath(strAppsDir) || !halyard::AppIconPixmap(nSize).save(strFile, "PNG")) {
            std::fprintf(stderr, "halyard_render_icon: cannot write %s\n", strFile.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
