#include "module/xml/xml_signature_commands.h"

#include <libxml/tree.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "module/xml/xml_common.h"
#include "module/xml/xml_encryption.h"
#include "module/xml/xml_signature.h"
#include "module/xml/xml_signature_transport.h"

namespace invoice_xml {

const char kSecurityUsage[] =
    "       invoicetool sign --key KEY.p12 [--password-file FILE] --out DIR FILE...\n"
    "       invoicetool verify FILE...\n"
    "       invoicetool encrypt --cert CERT.der --out DIR FILE...\n"
    "       invoicetool decrypt --key KEY.p12 [--password-file FILE] --out DIR FILE...\n";

namespace {

struct Options {
    std::string command;
    std::string key;
    std::string password_file;
    std::string cert;
    std::string out;
    std::vector<std::string> files;
};

// The options and files after the command name; false for an unknown
// option, an option without its value, or what the command needs missing.
bool ParseOptions(const std::vector<std::string>& args, Options* options) {
    options->command = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string* target = arg == "--key"             ? &options->key
                              : arg == "--password-file" ? &options->password_file
                              : arg == "--cert"          ? &options->cert
                              : arg == "--out"           ? &options->out
                                                         : nullptr;
        if (target == nullptr && arg.rfind("--", 0) == 0) return false;
        if (target == nullptr) {
            options->files.push_back(arg);
        } else if (++i < args.size()) {
            *target = args[i];
        } else {
            return false;
        }
    }
    const std::string& command = options->command;
    bool needs_key = command == "sign" || command == "decrypt";
    bool needs_cert = command == "encrypt";
    bool writes = command != "verify";
    return !options->files.empty() && needs_key == !options->key.empty() &&
           needs_cert == !options->cert.empty() && writes == !options->out.empty() &&
           (needs_key || options->password_file.empty());
}

bool ReadText(const std::string& path, std::string* text, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot be read";
        return false;
    }
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool IsRequest(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    return root != nullptr && root->ns != nullptr &&
           xmlStrEqual(root->ns->href, BAD_CAST kInvoiceNamespace) &&
           xmlStrEqual(root->name, BAD_CAST "request");
}

// Does the command's work on one parsed file; *done says what for the
// report line.
bool Apply(const Options& options, const KeyFile& key, xmlDoc* doc, std::string* done,
           std::string* error) {
    if (options.command == "sign") {
        *done = "signed";
        return SignDocument(doc, key, error);
    }
    if (options.command == "encrypt") {
        *done = "encrypted";
        return EncryptBody(doc, options.cert, error);
    }
    if (options.command == "decrypt") {
        *done = "decrypted";
        return DecryptBody(doc, key, error);
    }
    std::optional<invoice::LoadedSignature> signature;
    if (!VerifyDocument(doc, &signature, error)) {
        if (HasEncryptedBody(doc)) *error += " (the body is encrypted: decrypt it first)";
        return false;
    }
    if (!signature) {
        *error = "not signed";
        return false;
    }
    *done = "signed by " + signature->signer;
    return true;
}

// One file: read, parse, apply, write. The line for `out` in *report.
bool RunOnFile(const Options& options, const KeyFile& key, const std::string& file,
               std::string* report, std::string* error) {
    std::string text;
    if (!ReadText(file, &text, error)) return false;
    XmlDocPtr doc = ParseDocumentText(text, error);
    if (!doc) return false;
    if (!IsRequest(doc.get())) {
        *error = "not a generalInvoiceRequest document";
        return false;
    }
    std::string done;
    if (!Apply(options, key, doc.get(), &done, error)) return false;
    if (options.out.empty()) {
        *report = done;
        return true;
    }
    std::string target =
        (std::filesystem::path(options.out) / std::filesystem::path(file).filename()).string();
    std::string result = DocumentText(doc.get());
    std::ofstream stream(target, std::ios::binary | std::ios::trunc);
    stream.write(result.data(), static_cast<std::streamsize>(result.size()));
    stream.close();
    if (!stream) {
        *error = target + " cannot be written";
        return false;
    }
    *report = done + ", written as " + target;
    return true;
}

}  // namespace

bool IsSecurityCommand(const std::string& name) {
    return name == "sign" || name == "verify" || name == "encrypt" || name == "decrypt";
}

int RunSecurityCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    if (args.empty() || !ParseOptions(args, &options)) {
        err << "usage:\n" << kSecurityUsage;
        return 2;
    }
    KeyFile key{options.key, ""};
    if (!options.password_file.empty()) {
        std::ifstream in(options.password_file);
        if (!in || !std::getline(in, key.password)) {
            err << "invoicetool: the password file " << options.password_file
                << " cannot be read\n";
            return 1;
        }
    }
    int failed = 0;
    for (const std::string& file : options.files) {
        std::string report;
        std::string error;
        if (RunOnFile(options, key, file, &report, &error)) {
            out << file << ": " << report << "\n";
        } else {
            ++failed;
            err << "invoicetool: " << file << ": " << error << "\n";
        }
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace invoice_xml
