#pragma once

#include <vector>

#include "bridge/operation_table.h"

// The POST operation table, one row list per interface. Each list is
// defined in its own file; PostOperations() joins them in the order the
// dispatcher compares them: ITarvos, IGeneralInvoiceRequest, IAddress,
// IServiceExInput, IGeneralInvoiceResult.

// ITarvos: log and print settings, output file names, Print, LoadXML,
// GetXML. (post_manager_operations.cpp)
std::vector<Operation> PostManagerOperations();

// IGeneralInvoiceRequest: building a request. (post_request_operations.cpp)
std::vector<Operation> PostRequestOperations();

// IAddress and IServiceExInput. (post_object_operations.cpp)
std::vector<Operation> PostObjectOperations();

// IGeneralInvoiceResult: reading a result. (post_result_operations.cpp)
std::vector<Operation> PostResultOperations();

// All POST rows in the dispatcher's order.
std::vector<Operation> PostOperations();
