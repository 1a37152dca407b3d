// A program that does what the installer does after the user said Yes, so a test can start it from a folder of
// its own choosing.
#include "setup/Unit_IntallMain.h"

int main() {
    RunProductSetup();
    return 0;
}
