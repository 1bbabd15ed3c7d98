// x5k-driver: the desktop program of the X5K gaming mouse.

#include "gui/CT7QDriverApp.h"

int main(int argc, char** argv) {
    x5k::gui::CT7QDriverApp app;
    return app.Run(argc, argv);
}
