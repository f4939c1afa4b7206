#pragma once

#include <cpprest/json.h>

#include <string>
#include <vector>

// Turning the parts of an HTTP request into the frame's inputs: path
// segments, the argument object and the target handle.

// The percent-decoded request path relative to the listener's path
// (`listenerPath` as the listener URI has it, still encoded). Throws
// web::uri_exception on an invalid percent sequence.
std::string RelativePath(const std::string& rawPath, const std::string& listenerPath);

// Splits a decoded path at '/' (empty segments dropped).
std::vector<std::string> SplitPath(const std::string& path);

// The argument object of a GET or an upload: every query parameter becomes a
// string member (the query is decoded as a whole first; a repeated key keeps
// the last value). Throws web::uri_exception on an invalid percent sequence.
web::json::value QueryToArgs(const std::string& query);

// The argument object of a JSON body: numbers, booleans and strings are
// copied (integers stay integers); null, array and object members are left
// out. REQUIRES: body.is_object().
web::json::value CopyScalarMembers(const web::json::value& body);

// The handle of the target object: member "p" + interfaceName, else
// "lAddress", else "addr"; each read as an integer (reals truncated, booleans
// 1/0, strings as decimal text). A string that is not a number, or a number
// outside 32 bits, ends the search with 0.
int ReadInterfaceAddress(const std::string& interfaceName, const web::json::value& args);

// A copy of `value` in which every member whose key contains "Password", at
// any depth, holds "***": the module log never holds a secret.
web::json::value MaskSecrets(const web::json::value& value);

// The JSON text of `value` with double quotes turned into single quotes and
// carriage returns and line feeds removed, as the module log writes it.
// Members whose key contains "Password" are written as "***".
std::string LogText(const web::json::value& value);
