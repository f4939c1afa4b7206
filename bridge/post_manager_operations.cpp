// The POST operations of the manager: log and logo settings, printing,
// loading and writing the XML invoice, and its abort information.

#include "bridge/post_operations.h"
#include "endpoint/endpoint_handler.h"

namespace {

// Print: the client's template is rewritten to name a new PDF file of the
// output folder; that file is published ("LOCAL") when the print succeeds.
HRESULT PrintCall(Invocation& invocation) {
    Args& a = invocation.args;
    std::string pdfPath;
    a.T(0) = invocation.handler->MakePrintTemplate(invocation.target, a.T(0), &pdfPath);
    HRESULT hr = On<ITarvos>([](ITarvos& t, Args& a) {
        return t.Print(a.T(0), a.I(1), 0, a.I(2), a.I(3), a.T(4), &a.I(5),
                       a.NewObject<IGeneralInvoiceResult>(7), &a.B(8));
    })(invocation);
    if (hr == S_OK) a.Link(6) = invocation.handler->PublishFile(pdfPath, "LOCAL");
    return hr;
}

// GetXML: the output file is published before the result is looked at, so
// that a file written by a failed call can still be fetched.
HRESULT GetXmlCall(Invocation& invocation) {
    Args& a = invocation.args;
    HRESULT hr = On<ITarvos>([](ITarvos& t, Args& a) {
        return t.GetXML(a.I(0), &a.T(1), &a.I(2), &a.I(3), &a.T(4),
                        a.NewObject<IGeneralInvoiceResult>(5), &a.B(6));
    })(invocation);
    a.Link(1) = invocation.handler->PublishFile(a.T(1), "XML");
    a.T(1).clear();
    return hr;
}

}  // namespace

std::vector<Operation> PostManagerOperations() {
    return {
        CallRow("ITarvos", "SetLogSettings",
                {In("lLogLevel", 'i'), In("lMaxSizeKB", 'i'), In("eDoArchive", 'i'),
                 In("bstrArchiveDir", 't'), Out("pbStatus", 'b')},
                On<ITarvos>([](ITarvos& t, Args& a) {
                    return t.SetLogSettings(a.I(0), a.I(1), a.I(2), a.T(3), &a.B(4));
                })),
        CallRow("ITarvos", "GetLogSettings",
                {Out("plLogLevel", 'i'), Out("plMaxSizeKB", 'i'), Out("peDoArchive", 'i'),
                 Out("pbstrArchiveDir", 't'), Out("pbStatus", 'b')},
                On<ITarvos>([](ITarvos& t, Args& a) {
                    return t.GetLogSettings(&a.I(0), &a.I(1), &a.I(2), &a.T(3), &a.B(4));
                })),
        CallRow("ITarvos", "SetLogo",
                {In("bstrBMPLogoFile", 't'), In("lMMWidth", 'i'), In("lMMHeigth", 'i'),
                 Out("pbStatus", 'b')},
                On<ITarvos>([](ITarvos& t, Args& a) {
                    return t.SetLogo(a.T(0), a.I(1), a.I(2), &a.B(3));
                })),
        CallRow("ITarvos", "Print",
                {In("bstrPrintTemplate", 't'), In("lGenerationAttributes", 'i'),
                 In("eAddressRight", 'i'), In("eSortTimeTariff", 'i'), In("bstrSenderID", 't'),
                 InOut("plTimestamp", 'i'), Out("pbstrPDFFile", 'f'),
                 Out("pIGeneralInvoiceResult", 'h'), Out("pbStatus", 'b')},
                PrintCall),
        NoopRow("ITarvos", "PrintAdjust"),
        NoopRow("ITarvos", "PrintSetup"),
        CallRow("ITarvos", "LoadXML",
                {In("bstrInputFile", 't'), Out("pbstrUsedSchema", 't'),
                 Out("pIGeneralInvoiceRequest", 'h'), Out("pIGeneralInvoiceResult", 'h'),
                 Out("pbStatus", 'b')},
                On<ITarvos>([](ITarvos& t, Args& a) {
                    return t.LoadXML(a.T(0), &a.T(1), a.NewObject<IGeneralInvoiceRequest>(2),
                                     a.NewObject<IGeneralInvoiceResult>(3), &a.B(4));
                })),
        CallRow(
            "ITarvos", "GetXML",
            {In("lGenerationAttributes", 'i'), Out("pbstrOutputFile", 'f'),
             Out("plValidationError", 'i'), InOut("plTimestamp", 'i'), Out("pbstrUsedSchema", 't'),
             Out("pIGeneralInvoiceResult", 'h'), Out("pbStatus", 'b')},
            GetXmlCall),
        CallRow("ITarvos", "GetAbortInfo", {Out("pbstrAbort", 't'), Out("pbStatus", 'b')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.GetAbortInfo(&a.T(0), &a.B(1)); })),
    };
}

std::vector<Operation> PostOperations() {
    std::vector<Operation> rows;
    for (auto part : {PostManagerOperations, PostRequestOperations, PostObjectOperations,
                      PostResultOperations}) {
        std::vector<Operation> more = part();
        rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                    std::make_move_iterator(more.end()));
    }
    return rows;
}
