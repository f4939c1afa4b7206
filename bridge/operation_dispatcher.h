#pragma once

#include <functional>
#include <string>
#include <vector>

#include "endpoint/dispatch.h"

// One operation of a verb: the interface and method it answers to and the
// code that runs it.
struct OperationRow {
    const char* interfaceName;
    const char* methodName;
    std::function<Reply(const Call&)> run;
};

// The dispatcher of one verb: finds the first row whose interface and method
// match the call without regard to case and runs it. A call that matches no
// row gets error 403.
class OperationDispatcher : public IVerbDispatcher {
  public:
    explicit OperationDispatcher(std::vector<OperationRow> rows);
    Reply Dispatch(const Call& call) override;

  private:
    std::vector<OperationRow> rows_;
};
