#pragma once

#include <cpprest/json.h>

#include <string>

#include "endpoint/reply.h"

// Moving files through HTTP: uploads stored in the working folder, produced
// files published there for download, and the download itself. The working
// folder ends in '/'. Nothing outside it is ever served.

// The argument that names an upload's file: "bstrInputFile", else
// "bstrSource", else "bstrFile". False when the arguments name none.
bool FindUploadKey(const web::json::value& args, std::string* key);

// The extension a stored upload gets: the client name's part from its last
// '.' on (after the last backslash or slash); ".xml" when there is no '.'
// after its first character. Characters that a file name may not hold
// (control characters and " * : < > ? |) are left out: they would end up in
// the stored name and in the headers of its download.
std::string UploadExtension(const std::string& clientFileName);

// The path part of the endpoint that download links start with: everything
// before the first '/' at or after character 9 removed
// ("http://localhost:35340/tarvosServer450" gives "/tarvosServer450").
std::string EndpointPath(const std::string& endpoint);

// Publishes a produced file for download. `format` is "LOCAL" (the file
// stays, it must lie in the working folder), "PDF", "XML", "JPG" or "PNG"
// (the MIME names application/pdf, image/jpeg and image/png count too: the
// file is copied under a fresh name with that extension). Returns the link
// "<endpointPath>/files/<name>" as a JSON string, or null when the file does
// not exist, the format is unknown or the copy failed.
web::json::value PublishFile(const std::string& producedPath, const std::string& format,
                             const std::string& workingFolder, const std::string& endpointPath);

// The file of a download request, or an empty text when `name` names no
// regular file directly inside `workingFolder` (no separators, no "..", no
// link that leads out). An exact name is looked up first, then the same name
// without regard to case.
std::string ResolveDownload(const std::string& workingFolder, const std::string& name);

// The reply to a download: the file (200), 404 when there is none, 403 when
// it cannot be read. Logged with the handler name "handle_files".
Reply DownloadReply(const std::string& workingFolder, const std::string& name);
