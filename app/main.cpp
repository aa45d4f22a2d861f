// Tarvex_M9A: set-up and monitoring of M9A servo drives.
#include "app/frame/tarvex_app.h"

int main(int argc, char *argv[])
{
    if (const auto answered = tarvex::answerWithoutDisplay(argc, argv))
        return *answered;
    tarvex::CTarvexApp app(argc, argv);
    return app.run();
}
