#include "app/PicdexApp.h"

#include <QDirIterator>
#include <QIcon>

int main(int argc, char** argv) {
    CPicdexApp app(argc, argv);
    // The icon every window shows; on Wayland the desktop entry names it instead.
    QIcon icon;
    for (QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        icon.addFile(it.next());
    app.setWindowIcon(icon);
    app.setDesktopFileName(QStringLiteral("org.orvane.picdex"));
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
