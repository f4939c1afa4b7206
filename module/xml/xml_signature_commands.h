#pragma once

#include <ostream>
#include <string>
#include <vector>

// invoicetool's commands for signed and encrypted request files, for batch
// work on many files at once:
//
//   invoicetool sign --key KEY.p12 [--password-file FILE] --out DIR FILE...
//       signs each file with the sender's key (module/xml/xml_signature.h),
//       replacing a signature it carries, and writes it as DIR/<its name>
//   invoicetool verify FILE...
//       prints "FILE: signed by SUBJECT" for each file whose signature
//       verifies, or why not
//   invoicetool encrypt --cert CERT.der --out DIR FILE...
//       encrypts each file's body for the receiver's certificate
//       (module/xml/xml_encryption.h)
//   invoicetool decrypt --key KEY.p12 [--password-file FILE] --out DIR FILE...
//       decrypts each file's body with the receiver's key
//
// The password is read from the first line of the password file (none: an
// empty password); it is never taken from the command line, where other
// users of the machine could read it. The files are taken as they are (no
// schema check: "invoicetool validate" does that); each must be a
// generalInvoiceRequest document. One line per file goes to `out`, the
// reason of a failure to `err`.
namespace invoice_xml {

// The usage lines of the four commands.
extern const char kSecurityUsage[];

// Whether `name` is one of the four commands.
bool IsSecurityCommand(const std::string& name);

// Runs the command args[0] on the rest of `args`. Exit code: 0 when every
// file was done, 1 when one failed (the others are still done), 2 for wrong
// usage (the usage is then written to `err`).
int RunSecurityCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace invoice_xml
