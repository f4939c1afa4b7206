#include "bridge/verb_dispatchers.h"

#include <memory>

#include "bridge/operation_table.h"
#include "bridge/post_operations.h"
#include "endpoint/endpoint_handler.h"

void InstallDispatchers(CEndpointHandler& handler) {
    handler.SetDispatchers(std::make_unique<TableDispatcher>(handler, GetOperations()),
                           std::make_unique<TableDispatcher>(handler, PutOperations()),
                           std::make_unique<TableDispatcher>(handler, PostOperations()));
}
