#include "bridge/verb_dispatchers.h"

#include <memory>

#include "bridge/operation_table.h"
#include "endpoint/endpoint_handler.h"

void InstallDispatchers(CEndpointHandler& handler) {
    std::vector<Operation> post;
    handler.SetDispatchers(std::make_unique<TableDispatcher>(handler, GetOperations()),
                           std::make_unique<TableDispatcher>(handler, PutOperations()),
                           std::make_unique<TableDispatcher>(handler, std::move(post)));
}
