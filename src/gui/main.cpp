// x5k-driver: the desktop program of the X5K gaming mouse.

#include <cstdlib>

#include "gui/CT7QDriverApp.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // The pages' pictures are megabytes each; they are decoded on workers and freed once
    // the pieces the controls show are cut. With a fixed threshold every block above it
    // is mapped on its own and given back to the system when freed; left dynamic, glibc
    // raises the threshold at the first such free and keeps the later pictures' memory in
    // its heaps for the rest of the run.
    constexpr int kMapThresholdBytes = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
#endif
    x5k::gui::CT7QDriverApp app;
    return app.Run(argc, argv);
}
