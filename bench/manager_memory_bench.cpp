// Memory per live manager: 10,000 managers, each with one request and two
// addresses, made through the GET operation table as HTTP requests would
// make them (module objects, handler tables and registry records), measured
// as the growth of the process's resident set.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bridge/operation_table.h"
#include "common/module_log.h"
#include "endpoint/endpoint_handler.h"

namespace {

constexpr int kManagers = 10000;

// Resident set size in bytes.
long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

Call MakeCall(const char* interfaceName, const char* method, int address) {
    Call call;
    call.interfaceName = interfaceName;
    call.methodName = method;
    call.address = address;
    return call;
}

int HandleOf(const Reply& reply, const char* key) {
    return reply.status == 200 ? reply.body.at(key).as_integer() : 0;
}

}  // namespace

int main() {
    std::string folder =
        (std::filesystem::temp_directory_path() / ("tarvos-bench-" + std::to_string(getpid())))
            .string() +
        "/";
    std::filesystem::create_directories(folder);
    ModuleLog().StartLog(0, folder + "TarvosServer450.log.txt");
    {
        HandlerOptions options;
        options.workerThreads = 1;
        CEndpointHandler handler("http://127.0.0.1:1/memory", folder + "none.ini", options);
        TableDispatcher get(handler, GetOperations());
        long before = ResidentBytes();
        int failures = 0;
        for (int i = 0; i < kManagers; ++i) {
            int manager =
                HandleOf(get.Dispatch(MakeCall("ITarvos", "GetCreateTarvos", 0)), "pITarvos");
            int request =
                HandleOf(get.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager)),
                         "pIGeneralInvoiceRequest");
            for (int a = 0; a < 2; ++a) {
                int address = HandleOf(
                    get.Dispatch(MakeCall("IGeneralInvoiceRequest", "GetCreateAddress", request)),
                    "pIAddress");
                if (address == 0) ++failures;
            }
            if (manager == 0 || request == 0) ++failures;
        }
        long after = ResidentBytes();
        std::printf("live managers:            %d (each with 1 request and 2 addresses)\n",
                    kManagers);
        std::printf("objects in the tables:    %zu, failures: %d\n", handler.Tables().Size(),
                    failures);
        std::printf("resident set growth:      %.1f MB\n", (after - before) / 1048576.0);
        std::printf("bytes per live manager:   %.0f\n",
                    static_cast<double>(after - before) / kManagers);
        handler.ReleaseAll();
        std::printf("after ReleaseAll:         %zu objects in the tables\n",
                    handler.Tables().Size());
    }
    ModuleLog().CloseLog();
    std::filesystem::remove_all(folder);
    return 0;
}
