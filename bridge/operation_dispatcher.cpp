#include "bridge/operation_dispatcher.h"

#include "registry/instance_registry.h"

OperationDispatcher::OperationDispatcher(std::vector<OperationRow> rows) : rows_(std::move(rows)) {}

Reply OperationDispatcher::Dispatch(const Call& call) {
    for (const OperationRow& row : rows_) {
        if (SameName(call.interfaceName, row.interfaceName) &&
            SameName(call.methodName, row.methodName)) {
            return row.run(call);
        }
    }
    return ErrorReply(403, call.interfaceName, call.methodName);
}
