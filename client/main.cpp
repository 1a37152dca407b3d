// The client Tarvo.
#include "client/Tarvo.h"
#include "common/QtUiServices.h"

int main(int argc, char** argv) {
    return RunTarvo(argc, argv, std::make_shared<QtUiServices>());
}
