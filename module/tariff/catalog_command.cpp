#include "module/tariff/catalog_command.h"

#include <sys/stat.h>

#include "module/tariff/catalog_import.h"
#include "module/tariff/tariff_catalog.h"

namespace tariff {

const char kCatalogUsage[] =
    "       invoicetool catalog import CSV DB\n"
    "       invoicetool catalog show DB CODE\n";

namespace {

std::string Optional(const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
}

void PrintField(std::ostream& out, const char* name, const std::string& value) {
    out << name << ":" << (value.empty() ? "" : " ") << value << "\n";
}

// One version as "field: value" lines, in the order of the CSV header.
void PrintEntry(const CatalogEntry& entry, std::ostream& out) {
    PrintField(out, "tariff_type", entry.tariff_type);
    PrintField(out, "code", entry.code);
    PrintField(out, "valid_from", entry.valid_from);
    PrintField(out, "valid_to", entry.valid_to);
    PrintField(out, "text", entry.text);
    PrintField(out, "unit_mt", entry.unit_mt.ToString());
    PrintField(out, "unit_tt", entry.unit_tt.ToString());
    PrintField(out, "max_per_session",
               entry.max_per_session ? entry.max_per_session->ToString() : "");
    PrintField(out, "sex", SexText(entry.sex));
    PrintField(out, "min_age", Optional(entry.min_age));
    PrintField(out, "max_age", Optional(entry.max_age));
    PrintField(out, "dignity", entry.dignity);
    PrintField(out, "token", entry.token);
    PrintField(out, "side_required", entry.side_required ? "1" : "0");
    PrintField(out, "exclusive", JoinList(entry.exclusive));
    PrintField(out, "laws", LawsText(entry.laws));
}

int Import(const std::string& csv, const std::string& db, std::ostream& out, std::ostream& err) {
    std::string summary;
    std::string error = ImportCatalog(csv, db, &summary);
    if (!error.empty()) {
        err << error << "\n";
        return 1;
    }
    out << db << ": " << summary << "\n";
    return 0;
}

int Show(const std::string& db, const std::string& code, std::ostream& out, std::ostream& err) {
    struct stat info;
    std::string error = "no such file";
    std::unique_ptr<Catalog> catalog =
        stat(db.c_str(), &info) == 0 ? Catalog::Open(db, &error) : nullptr;
    if (!catalog) {
        err << db << ": " << error << "\n";
        return 1;
    }
    size_t shown = 0;
    for (const std::string& type : catalog->tariff_types()) {
        std::shared_ptr<const std::vector<CatalogEntry>> versions =
            catalog->Find(type, code, &error);
        if (!versions) {
            err << db << ": " << error << "\n";
            return 1;
        }
        for (const CatalogEntry& entry : *versions) {
            out << (shown++ == 0 ? "" : "\n");
            PrintEntry(entry, out);
        }
    }
    if (shown == 0) {
        err << db << ": no code " << code << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int RunCatalogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 3 && args[0] == "import") return Import(args[1], args[2], out, err);
    if (args.size() == 3 && args[0] == "show") return Show(args[1], args[2], out, err);
    err << "usage:\n" << kCatalogUsage;
    return 2;
}

}  // namespace tariff
