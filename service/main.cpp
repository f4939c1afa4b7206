#include "service/tarvos_server.h"

int main(int argc, char** argv) {
    return RunApplication(argc, argv);
}
