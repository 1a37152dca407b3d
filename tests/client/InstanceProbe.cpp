// Exits 1 when a client already holds the single-instance mutex, 0 when this process got it. With "--run" it runs
// the client's program block instead, with the headless dialogs: each box goes to standard error and is answered
// at once, so a client refused as a second instance ends by itself.
#include <cstring>

#include "client/Tarvo.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--run") == 0)
        return RunTarvo(argc, argv, nullptr);
    return IsAlreadyRunning("Tarvo_Mutex") ? 1 : 0;
}
