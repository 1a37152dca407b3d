// Exits 1 when a client already holds the single-instance mutex, 0 when this process got it.
#include "client/Tarvo.h"

int main() {
    return IsAlreadyRunning("Tarvo_Mutex") ? 1 : 0;
}
