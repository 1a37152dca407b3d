// The client Tarvo.
#include "client/Tarvo.h"

int main(int argc, char** argv) {
    return RunTarvo(argc, argv);
}
