// The GUI entry procedure: hands the argument string to UninstallerMain.
#include "app/entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    return UninstallerMain(instance, args);
}
