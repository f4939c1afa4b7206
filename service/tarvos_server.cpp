#include "service/tarvos_server.h"

int RunApplication(int, char**) {
    return 0;
}
