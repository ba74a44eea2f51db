#include "app/PicdexApp.h"

int main(int argc, char** argv) {
    CPicdexApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
