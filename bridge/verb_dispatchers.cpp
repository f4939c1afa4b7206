#include "bridge/verb_dispatchers.h"

#include <memory>

#include "bridge/operation_dispatcher.h"
#include "endpoint/endpoint_handler.h"

void InstallDispatchers(CEndpointHandler& handler) {
    std::vector<OperationRow> get, put, post;
    handler.SetDispatchers(std::make_unique<OperationDispatcher>(std::move(get)),
                           std::make_unique<OperationDispatcher>(std::move(put)),
                           std::make_unique<OperationDispatcher>(std::move(post)));
}
