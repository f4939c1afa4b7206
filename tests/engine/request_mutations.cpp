#include "tests/engine/request_mutations.h"

namespace module {
namespace testing_support {

// Edits of the valid sample. Each one fails the test when its anchor text is
// missing, so a mutation can never silently leave the document unchanged.
std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    std::size_t at = xml.find(from);
    if (at == std::string::npos) return "anchor not found: " + from;
    return xml.replace(at, from.size(), to);
}

std::string ReplaceAll(std::string xml, const std::string& from, const std::string& to) {
    if (xml.find(from) == std::string::npos) return "anchor not found: " + from;
    for (std::size_t at = xml.find(from); at != std::string::npos; at = xml.find(from, at)) {
        xml.replace(at, from.size(), to);
        at += to.size();
    }
    return xml;
}

// The first element `tag` (qualified name) with all its content.
std::string ElementText(const std::string& xml, const std::string& tag) {
    std::size_t begin = xml.find("<" + tag);
    if (begin == std::string::npos) return "";
    std::size_t selfClose = xml.find("/>", begin);
    std::size_t nextOpen = xml.find('>', begin);
    if (selfClose != std::string::npos && selfClose + 1 == nextOpen) {
        return xml.substr(begin, selfClose + 2 - begin);
    }
    std::string close = "</" + tag + ">";
    std::size_t end = xml.find(close, begin);
    if (end == std::string::npos) return "";
    return xml.substr(begin, end + close.size() - begin);
}

std::string RemoveElement(const std::string& xml, const std::string& tag) {
    std::string element = ElementText(xml, tag);
    if (element.empty()) return "element not found: " + tag;
    return Replace(xml, element, "");
}

std::string MoveElementBefore(const std::string& xml, const std::string& tag,
                              const std::string& beforeTag) {
    std::string element = ElementText(xml, tag);
    if (element.empty()) return "element not found: " + tag;
    std::string without = Replace(xml, element, "");
    return Replace(without, "<" + beforeTag, element + "<" + beforeTag);
}

const char kPerson[] =
    "<invoice:person><invoice:familyname>Muster</invoice:familyname>"
    "<invoice:givenname>Hans</invoice:givenname><invoice:postal>"
    "<invoice:zip>3000</invoice:zip><invoice:city>Bern</invoice:city>"
    "</invoice:postal></invoice:person>";

const char kCompany[] =
    "<invoice:company><invoice:companyname>Kasse AG</invoice:companyname>"
    "<invoice:department>Leistungen</invoice:department>"
    "<invoice:subaddressing>c/o Zentrale</invoice:subaddressing><invoice:postal>"
    "<invoice:pobox>Postfach 1</invoice:pobox><invoice:street>Weg 2</invoice:street>"
    "<invoice:zip statecode=\"BE\" countrycode=\"CH\">3000</invoice:zip>"
    "<invoice:city>Bern</invoice:city></invoice:postal></invoice:company>";

std::string WithInsurance(const std::string& xml) {
    return Replace(xml, "<invoice:patient ",
                   std::string("<invoice:insurance ean_party=\"7601003000015\">") + kCompany +
                       "</invoice:insurance><invoice:patient ");
}

std::string AsTiersPayant(const std::string& xml) {
    std::string payant = ReplaceAll(xml, "invoice:tiers_garant", "invoice:tiers_payant");
    return Replace(WithInsurance(payant), " amount_prepaid=\"0.0\"", "");
}

std::string WithServiceRecords(const std::string& xml, int count, const std::string& tariffType) {
    std::string records;
    for (int i = 0; i < count; ++i) {
        records += "<invoice:service record_id=\"" + std::to_string(10 + i) + "\" tariff_type=\"" +
                   tariffType +
                   "\" code=\"X\" name=\"n\" quantity=\"1\" date_begin=\"2020-06-03T00:00:00\" "
                   "provider_id=\"2000000000002\" responsible_id=\"2000000000002\" unit=\"1\" "
                   "amount=\"1\"/>\n";
    }
    return Replace(xml, "</invoice:services>", records + "</invoice:services>");
}

const char kSignature[] =
    "<ds:Signature><ds:SignedInfo>"
    "<ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
    "<ds:SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<ds:Reference URI=\"\"><ds:DigestMethod "
    "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>"
    "<ds:SignatureValue>AAAA</ds:SignatureValue></ds:Signature>";

std::vector<Mutation> Mutations() {
    using S = const std::string&;
    return {
        // Missing required elements and attributes.
        {"no guarantor", [](S x) { return RemoveElement(x, "invoice:guarantor"); }, false},
        {"no services", [](S x) { return RemoveElement(x, "invoice:services"); }, false},
        {"no transport", [](S x) { return RemoveElement(x, "invoice:transport"); }, false},
        {"no bank in esrQR", [](S x) { return RemoveElement(x, "invoice:bank"); }, false},
        {"no city", [](S x) { return RemoveElement(x, "invoice:city"); }, false},
        {"no language", [](S x) { return Replace(x, " language=\"de\"", ""); }, false},
        {"no request_id", [](S x) { return Replace(x, " request_id=\"000001000001\"", ""); },
         false},
        {"mvg without ssn", [](S x) { return Replace(x, " ssn=\"7560000000011\"", ""); }, false},
        {"provider without zsr",
         [](S x) {
             std::string provider = ElementText(x, "invoice:provider");
             return Replace(x, provider, Replace(provider, " zsr=\"C000002\"", ""));
         },
         false},
        {"tiers_payant without insurance",
         [](S x) { return ReplaceAll(x, "invoice:tiers_garant", "invoice:tiers_payant"); }, false},
        {"no optional package", [](S x) { return RemoveElement(x, "invoice:package"); }, true},
        {"no optional telecom", [](S x) { return RemoveElement(x, "invoice:telecom"); }, true},
        // Wrong order and unknown parts.
        {"law before slip",
         [](S x) { return MoveElementBefore(x, "invoice:mvg", "invoice:esrQR"); }, false},
        {"debitor before biller",
         [](S x) { return MoveElementBefore(x, "invoice:debitor", "invoice:biller"); }, false},
        {"givenname before familyname",
         [](S x) { return MoveElementBefore(x, "invoice:givenname", "invoice:familyname"); },
         false},
        {"city before zip", [](S x) { return MoveElementBefore(x, "invoice:city", "invoice:zip"); },
         false},
        {"unknown element",
         [](S x) { return Replace(x, "</invoice:prolog>", "<invoice:extra/></invoice:prolog>"); },
         false},
        {"unknown attribute",
         [](S x) {
             return Replace(x, "print_at_intermediate=\"false\"",
                            "print_at_intermediate=\"false\" print_patient_copy=\"false\"");
         },
         false},
        {"four phone numbers",
         [](S x) {
             const std::string phone = "<invoice:phone>555-555 55 55</invoice:phone>";
             return Replace(x, phone, phone + phone + phone + phone);
         },
         false},
        {"three phone numbers",
         [](S x) {
             const std::string phone = "<invoice:phone>555-555 55 55</invoice:phone>";
             return Replace(x, phone, phone + phone + phone);
         },
         true},
        {"other root", [](S x) { return ReplaceAll(x, "invoice:request", "invoice:requests"); },
         false},
        {"other namespace",
         [](S x) {
             return ReplaceAll(x, "http://www.forum-datenaustausch.ch/invoice",
                               "http://www.forum-datenaustausch.ch/invoice/x");
         },
         false},
        // Enumerations.
        {"language en", [](S x) { return Replace(x, "language=\"de\"", "language=\"en\""); },
         false},
        {"modus test", [](S x) { return Replace(x, "modus=\"production\"", "modus=\"test\""); },
         true},
        {"canton XX", [](S x) { return Replace(x, "canton=\"AG\"", "canton=\"XX\""); }, false},
        {"canton LI", [](S x) { return Replace(x, "canton=\"AG\"", "canton=\"LI\""); }, true},
        {"reason illness",
         [](S x) { return Replace(x, "reason=\"disease\"", "reason=\"illness\""); }, false},
        {"gender other", [](S x) { return Replace(x, "gender=\"female\"", "gender=\"other\""); },
         false},
        {"gender with blanks collapses",
         [](S x) { return Replace(x, "gender=\"female\"", "gender=\" female \""); }, true},
        {"role nurse", [](S x) { return Replace(x, "role=\"physician\"", "role=\"nurse\""); },
         false},
        {"place lab", [](S x) { return Replace(x, "place=\"practice\"", "place=\"lab\""); }, true},
        {"diagnosis ICD10",
         [](S x) { return Replace(x, "type=\"by_contract\"", "type=\"ICD10\""); }, false},
        {"billing_role xx",
         [](S x) { return Replace(x, "billing_role=\"both\"", "billing_role=\"xx\""); }, false},
        {"esrQR type esrQRplus",
         [](S x) { return Replace(x, "<invoice:esrQR ", "<invoice:esrQR type=\"esrQRplus\" "); },
         true},
        {"currency EUR", [](S x) { return Replace(x, "currency=\"CHF\"", "currency=\"EUR\""); },
         false},
        {"obligation yes",
         [](S x) { return Replace(x, "obligation=\"true\"", "obligation=\"yes\""); }, false},
        // Patterns.
        {"ean of 12 digits",
         [](S x) {
             return Replace(x, "ean_party=\"2000000000000\"", "ean_party=\"200000000000\"");
         },
         false},
        {"zsr in lower case", [](S x) { return Replace(x, "zsr=\"C000002\"", "zsr=\"c000002\""); },
         false},
        {"iban of Germany", [](S x) { return Replace(x, "iban=\"CH58", "iban=\"DE58"); }, false},
        {"iban of Liechtenstein", [](S x) { return Replace(x, "iban=\"CH58", "iban=\"LI58"); },
         true},
        {"qr reference of 26 digits",
         [](S x) {
             return Replace(x, "154530000000000000010000018", "15453000000000000001000001");
         },
         false},
        {"creditor reference",
         [](S x) { return Replace(x, "154530000000000000010000018", "RF18539007547034"); }, true},
        {"ssn of 3 digits", [](S x) { return Replace(x, "ssn=\"7560000000011\"", "ssn=\"123\""); },
         false},
        {"old ssn of 11 digits",
         [](S x) { return Replace(x, "ssn=\"7560000000011\"", "ssn=\"12345678901\""); }, true},
        {"tariff type of 2",
         [](S x) { return Replace(x, "tariff_type=\"001\"", "tariff_type=\"01\""); }, false},
        {"tariff type with a blank",
         [](S x) { return Replace(x, "tariff_type=\"001\"", "tariff_type=\" 001\""); }, false},
        {"email without at",
         [](S x) {
             return Replace(x, "</invoice:telecom>",
                            "</invoice:telecom><invoice:online><invoice:email>hans.example.ch"
                            "</invoice:email></invoice:online>");
         },
         false},
        // Lengths.
        {"family name of 36", [](S x) { return Replace(x, "Spitzkiel", std::string(36, 'S')); },
         false},
        {"family name of 35", [](S x) { return Replace(x, "Spitzkiel", std::string(35, 'S')); },
         true},
        {"empty city", [](S x) { return Replace(x, ">Unbekannt<", "><"); }, false},
        {"zip of 10", [](S x) { return Replace(x, ">0000<", ">0123456789<"); }, false},
        {"countrycode of 4",
         [](S x) { return Replace(x, "countrycode=\"NDF\"", "countrycode=\"NDFX\""); }, false},
        {"remark of 351",
         [](S x) {
             return Replace(
                 x, "</invoice:prolog>",
                 "</invoice:prolog><invoice:remark>" + std::string(351, 'r') + "</invoice:remark>");
         },
         false},
        {"remark of 350",
         [](S x) {
             return Replace(
                 x, "</invoice:prolog>",
                 "</invoice:prolog><invoice:remark>" + std::string(350, 'r') + "</invoice:remark>");
         },
         true},
        // Dates and numbers.
        {"date without time",
         [](S x) {
             return Replace(x, "request_date=\"2020-06-03T00:00:00.000+02:00\"",
                            "request_date=\"2020-06-03\"");
         },
         false},
        {"month 13",
         [](S x) { return Replace(x, "birthdate=\"1957-04-14", "birthdate=\"1957-13-14"); }, false},
        {"April 31",
         [](S x) { return Replace(x, "birthdate=\"1957-04-14", "birthdate=\"1957-04-31"); }, false},
        {"swiss date",
         [](S x) { return Replace(x, "1957-04-14T00:00:00.000+01:00", "14.04.1957"); }, false},
        {"timestamp before 2015", [](S x) { return Replace(x, "1591170775", "1420066799"); },
         false},
        {"record id 0", [](S x) { return Replace(x, "record_id=\"1\"", "record_id=\"0\""); },
         false},
        {"session 0", [](S x) { return Replace(x, "session=\"1\"", "session=\"0\""); }, false},
        {"quantity abc", [](S x) { return Replace(x, "quantity=\"1.0\"", "quantity=\"abc\""); },
         false},
        {"vat rate 100.5", [](S x) { return Replace(x, "vat_rate=\"8.0\"", "vat_rate=\"100.5\""); },
         false},
        {"unit factor 0",
         [](S x) { return Replace(x, "unit_factor_mt=\"1.0\"", "unit_factor_mt=\"0\""); }, false},
        {"external factor 0",
         [](S x) { return Replace(x, "external_factor_mt=\"1.0\"", "external_factor_mt=\"0\""); },
         true},
        {"sequence id 70000",
         [](S x) { return Replace(x, "sequence_id=\"1\"", "sequence_id=\"70000\""); }, false},
        {"payment period in words",
         [](S x) { return Replace(x, "payment_period=\"P30D\"", "payment_period=\"30 days\""); },
         false},
        // Valid variants that use the optional parts.
        {"tiers_payant", AsTiersPayant, true},
        {"tiers_payant with prepaid amount",
         [](S x) {
             return WithInsurance(ReplaceAll(x, "invoice:tiers_garant", "invoice:tiers_payant"));
         },
         false},
        {"tiers_garant with insurance", WithInsurance, true},
        {"credit and reminder",
         [](S x) {
             std::string invoice = ElementText(x, "invoice:invoice");
             return Replace(x, invoice,
                            "<invoice:credit request_timestamp=\"1591170000\" "
                            "request_date=\"2020-06-01T00:00:00\" request_id=\"c1\"/>" +
                                invoice +
                                "<invoice:reminder request_timestamp=\"1591170775\" "
                                "request_date=\"2020-07-01T00:00:00\" request_id=\"r1\" "
                                "reminder_level=\"2\"/>");
         },
         true},
        {"reminder level 4",
         [](S x) {
             std::string invoice = ElementText(x, "invoice:invoice");
             return Replace(x, invoice,
                            invoice +
                                "<invoice:reminder request_timestamp=\"1591170775\" "
                                "request_date=\"2020-07-01T00:00:00\" request_id=\"r1\" "
                                "reminder_level=\"4\"/>");
         },
         false},
        {"insured, referrer and employer",
         [](S x) {
             std::string patient = ElementText(x, "invoice:patient");
             std::string insured = ReplaceAll(patient, "invoice:patient", "invoice:insured");
             std::string withInsured = Replace(x, patient, patient + insured);
             return Replace(withInsured, "<invoice:balance",
                            std::string("<invoice:referrer zsr=\"A123456\">") + kPerson +
                                "</invoice:referrer><invoice:employer reg_number=\"7\">" +
                                kCompany + "</invoice:employer><invoice:balance");
         },
         true},
        {"card, fax, mail and web",
         [](S x) {
             std::string withOnline = Replace(
                 x, "</invoice:telecom>",
                 "<invoice:fax>031 000 00 00</invoice:fax></invoice:telecom><invoice:online>"
                 "<invoice:email>a@b.ch</invoice:email><invoice:url>https://b.ch/"
                 "</invoice:url></invoice:online>");
             return Replace(withOnline, "</invoice:patient>",
                            "<invoice:card card_id=\"80756000\" "
                            "expiry_date=\"2025-12-31T00:00:00\"/></invoice:patient>");
         },
         true},
        {"esr9 slip",
         [](S x) {
             std::string slip = ElementText(x, "invoice:esrQR");
             return Replace(x, slip,
                            std::string("<invoice:esr9 participant_number=\"01-12345-6\" "
                                        "reference_number=\"12 34567 89012 34567 89012 34567\" "
                                        "coding_line=\"042&gt;123456789012345678901234567+ "
                                        "010123456&gt;\"><invoice:creditor>") +
                                kPerson + "</invoice:creditor></invoice:esr9>");
         },
         true},
        {"esrRed slip",
         [](S x) {
             std::string slip = ElementText(x, "invoice:esrQR");
             return Replace(
                 x, slip,
                 std::string("<invoice:esrRed payment_to=\"postal_account\" "
                             "post_account=\"01-12345-6\" coding_line1=\"123456789&gt;\" "
                             "coding_line2=\"123456789&gt;\"><invoice:creditor>") +
                     kPerson +
                     "</invoice:creditor><invoice:payment_reason>Rechnung 1"
                     "</invoice:payment_reason></invoice:esrRed>");
         },
         true},
        {"ivg law",
         [](S x) {
             return Replace(x, "<invoice:mvg insured_id=\"123456\" case_id=\"123456\"",
                            "<invoice:ivg case_id=\"123456\"");
         },
         true},
        {"ivg law with insured id",
         [](S x) { return Replace(x, "<invoice:mvg ", "<invoice:ivg "); }, false},
        {"hospital data",
         [](S x) {
             return Replace(x, "</invoice:treatment>",
                            "<invoice:xtra_hospital><invoice:stationary "
                            "hospitalization_date=\"2020-06-01T00:00:00\" treatment_days=\"P2D\">"
                            "<invoice:admission_type number=\"1\" name=\"a\"/>"
                            "<invoice:discharge_type number=\"1\" name=\"b\"/>"
                            "<invoice:provider_type number=\"1\" name=\"c\"/>"
                            "<invoice:bfs_residence_before_admission code=\"1\" name=\"d\"/>"
                            "<invoice:bfs_admission_type code=\"1\" name=\"e\"/>"
                            "<invoice:bfs_decision_for_discharge code=\"1\" name=\"f\"/>"
                            "<invoice:bfs_residence_after_discharge code=\"1\" name=\"g\"/>"
                            "</invoice:stationary></invoice:xtra_hospital></invoice:treatment>");
         },
         true},
        {"drug data and documents",
         [](S x) {
             std::string withDrug =
                 Replace(x, "vat_rate=\"2.5\" obligation=\"false\"/>",
                         "vat_rate=\"2.5\" obligation=\"false\"><invoice:xtra_drug "
                         "iocm_category=\"B\" delivery=\"repeated\"/></invoice:service>");
             return Replace(withDrug, "</invoice:services>",
                            "</invoice:services><invoice:documents number=\"1\"><invoice:document "
                            "title=\"Bericht\" filename=\"b.pdf\" mimeType=\"application/pdf\">"
                            "<invoice:base64>JVBERi0=</invoice:base64></invoice:document>"
                            "</invoice:documents>");
         },
         true},
        {"document of type gif",
         [](S x) {
             return Replace(x, "</invoice:services>",
                            "</invoice:services><invoice:documents number=\"1\"><invoice:document "
                            "title=\"Bild\" filename=\"b.gif\" mimeType=\"image/gif\">"
                            "<invoice:url>https://b.ch/b.gif</invoice:url></invoice:document>"
                            "</invoice:documents>");
         },
         false},
        {"instructions and demand",
         [](S x) {
             return Replace(x, "</invoice:processing>",
                            "<invoice:instructions><invoice:instruction token=\"t\" value=\"v\"/>"
                            "</invoice:instructions><invoice:demand tc_demand_id=\"5\" "
                            "tc_token=\"tok\" insurance_demand_date=\"2020-06-01T00:00:00\"/>"
                            "</invoice:processing>");
         },
         true},
        {"many service records", [](S x) { return WithServiceRecords(x, 5, "590"); }, true},
        {"signature",
         [](S x) {
             return Replace(x, "</invoice:request>",
                            kSignature + std::string("</invoice:request>"));
         },
         true},
        {"signature before payload",
         [](S x) {
             return Replace(x, "<invoice:payload>", kSignature + std::string("<invoice:payload>"));
         },
         false},
        {"encrypted body",
         [](S x) {
             std::string body = ElementText(x, "invoice:body");
             return Replace(x, body,
                            "<xenc:EncryptedData><xenc:CipherData><xenc:CipherValue>AAAA"
                            "</xenc:CipherValue></xenc:CipherData></xenc:EncryptedData>");
         },
         true},
    };
}

// --- Rich documents -------------------------------------------------------------

namespace {

const char kFullPerson[] =
    "<invoice:person salutation=\"Herr\" title=\"Dr. med.\">"
    "<invoice:familyname>Muster</invoice:familyname><invoice:givenname>Hans</invoice:givenname>"
    "<invoice:subaddressing>Praxis 2</invoice:subaddressing><invoice:postal>"
    "<invoice:pobox>Postfach 9</invoice:pobox><invoice:street>Gasse 1</invoice:street>"
    "<invoice:zip statecode=\"BE\" countrycode=\"CH\">3000</invoice:zip>"
    "<invoice:city>Bern</invoice:city></invoice:postal>"
    "<invoice:telecom><invoice:phone>031 111 11 11</invoice:phone>"
    "<invoice:fax>031 111 11 12</invoice:fax></invoice:telecom>"
    "<invoice:online><invoice:email>hans@muster.ch</invoice:email>"
    "<invoice:url>https://muster.ch/</invoice:url></invoice:online></invoice:person>";

const char kFullCompany[] =
    "<invoice:company><invoice:companyname>Kasse AG</invoice:companyname>"
    "<invoice:department>Leistungen</invoice:department>"
    "<invoice:subaddressing>c/o Zentrale</invoice:subaddressing><invoice:postal>"
    "<invoice:pobox>Postfach 1</invoice:pobox><invoice:street>Weg 2</invoice:street>"
    "<invoice:zip statecode=\"BE\" countrycode=\"CH\">3000</invoice:zip>"
    "<invoice:city>Bern</invoice:city></invoice:postal>"
    "<invoice:telecom><invoice:phone>031 222 22 22</invoice:phone></invoice:telecom>"
    "<invoice:online><invoice:email>info@kasse.ch</invoice:email></invoice:online>"
    "</invoice:company>";

const char kCard[] =
    "<invoice:card card_id=\"80756000\" expiry_date=\"2025-12-31T00:00:00\" "
    "validation_date=\"2020-06-01T00:00:00\" validation_id=\"v1\" validation_server=\"s1\"/>";

const char kSoftwareAttributes[] = " copyright=\"(c) Tarvos\" description=\"Praxis\" id=\"7\"";

const char kDependsOn[] =
    "<invoice:depends_on name=\"Lib\" copyright=\"(c) Lib\" description=\"d\" version=\"2\" "
    "id=\"3\"/>";

const char kRecordExtras[] =
    " date_end=\"2020-06-04T00:00:00\" ref_code=\"00.0010\" section_code=\"S1\" remark=\"r\" "
    "service_attributes=\"1\"";

// The sample with every optional attribute of the parts it already has, and
// with the optional elements of a tiers_garant invoice paid by QR slip.
std::string GarantQrMvg(std::string x) {
    x = Replace(x, "modus=\"production\"", "modus=\"production\" validation_status=\"0\"");
    x = Replace(x, "print_at_intermediate=\"false\"",
                "print_at_intermediate=\"false\" print_copy_to_guarantor=\"true\"");
    x = Replace(x, "</invoice:processing>",
                "<invoice:instructions><invoice:instruction token=\"t\" value=\"v\"/>"
                "</invoice:instructions><invoice:demand tc_demand_id=\"5\" tc_token=\"tok\" "
                "insurance_demand_date=\"2020-06-01T00:00:00\" insurance_demand_id=\"d1\"/>"
                "</invoice:processing>");
    x = Replace(x, "<invoice:payload>",
                "<invoice:payload type=\"reminder\" storno=\"false\" copy=\"false\" "
                "if_storno_followup_invoice_probable=\"true\">");
    std::string invoice = ElementText(x, "invoice:invoice");
    x = Replace(x, invoice,
                "<invoice:credit request_timestamp=\"1591170000\" "
                "request_date=\"2020-06-01T00:00:00\" request_id=\"c1\"/>" +
                    invoice +
                    "<invoice:reminder request_timestamp=\"1591170775\" "
                    "request_date=\"2020-07-01T00:00:00\" request_id=\"r1\" reminder_level=\"2\" "
                    "reminder_text=\"Bitte bezahlen\"/>");
    x = Replace(x, "place=\"practice\"", "place=\"practice\" role_title=\"Hausarzt\"");
    x = Replace(x, "<invoice:package name=\"Elexis\" version=\"380\"/>",
                std::string("<invoice:package name=\"Elexis\" version=\"380\"") +
                    kSoftwareAttributes + ">" + kDependsOn + "</invoice:package>");
    x = Replace(x, "<invoice:generator name=\"JAXB\" version=\"8\"/>",
                std::string("<invoice:generator name=\"JAXB\" version=\"8\"") +
                    kSoftwareAttributes + ">" + kDependsOn + "</invoice:generator>");
    x = Replace(x, "</invoice:prolog>",
                "</invoice:prolog><invoice:remark>Bemerkung</invoice:remark>");
    std::string biller = ElementText(x, "invoice:biller");
    x = Replace(x, biller,
                std::string("<invoice:biller ean_party=\"2000000000002\" zsr=\"C000002\" "
                            "specialty=\"Allgemein\" uid_number=\"CHE123456789\">") +
                    kFullPerson + "</invoice:biller>");
    std::string debitor = ElementText(x, "invoice:debitor");
    x = Replace(x, debitor,
                std::string("<invoice:debitor ean_party=\"2000000000000\">") + kFullCompany +
                    "</invoice:debitor>");
    x = Replace(x, "<invoice:patient ",
                std::string("<invoice:insurance ean_party=\"7601003000015\">") + kFullPerson +
                    "</invoice:insurance><invoice:patient ssn=\"7560000000011\" ");
    x = Replace(x, "</invoice:patient>", std::string(kCard) + "</invoice:patient>");
    std::string patient = ElementText(x, "invoice:patient");
    x = Replace(x, patient, patient + ReplaceAll(patient, "invoice:patient", "invoice:insured"));
    std::string guarantor = ElementText(x, "invoice:guarantor");
    x = Replace(x, guarantor,
                guarantor +
                    "<invoice:referrer ean_party=\"7601000000001\" zsr=\"A123456\" "
                    "specialty=\"Chirurgie\">" +
                    kFullPerson +
                    "</invoice:referrer><invoice:employer ean_party=\"7601000000002\" "
                    "reg_number=\"7\">" +
                    kFullPerson + "</invoice:employer>");
    x = Replace(x, "<invoice:vat vat=", "<invoice:vat vat_number=\"CHE123456789\" vat=");
    x = Replace(x, "<invoice:esrQR ", "<invoice:esrQR type=\"esrQRplus\" customer_note=\"Danke\" ");
    x = Replace(x, "</invoice:esrQR>",
                "<invoice:payment_reason>Rechnung 1</invoice:payment_reason>"
                "<invoice:payment_reason>Juni</invoice:payment_reason></invoice:esrQR>");
    x = Replace(x, "ssn=\"7560000000011\"/>",
                "ssn=\"7560000000011\" case_date=\"2020-05-01T00:00:00\"/>");
    x = Replace(x, "reason=\"disease\"",
                "reason=\"disease\" treatment=\"ambulatory\" apid=\"p1\" acid=\"a1\" "
                "gestation_week13=\"2020-01-01T00:00:00\"");
    x = Replace(x, "</invoice:treatment>",
                "<invoice:diagnosis type=\"ICD\" code=\"J45\">Asthma</invoice:diagnosis>"
                "<invoice:xtra_hospital><invoice:ambulatory hospitalization_type=\"emergency\" "
                "hospitalization_mode=\"cantonal\" class=\"private\" section_major=\"M100\"/>"
                "</invoice:xtra_hospital></invoice:treatment>");
    x = Replace(x, "amount=\"17.76\" vat_rate=\"0.0\" obligation=\"true\"/>",
                std::string("amount=\"17.76\" vat_rate=\"0.0\" obligation=\"true\"") +
                    kRecordExtras +
                    "><invoice:xtra_service_ex group_size=\"2\"/></invoice:service_ex>");
    x = Replace(x, "vat_rate=\"8.0\" obligation=\"false\"/>",
                std::string("vat_rate=\"8.0\" obligation=\"false\" external_factor=\"1.0\"") +
                    kRecordExtras + "><invoice:xtra_drg cost_fraction=\"0.5\"/></invoice:service>");
    x = Replace(x, "vat_rate=\"2.5\" obligation=\"false\"/>",
                "vat_rate=\"2.5\" obligation=\"false\"><invoice:xtra_drug indicated=\"true\" "
                "iocm_category=\"B\" delivery=\"repeated\" regulation_attributes=\"1\" "
                "limitation=\"false\"/></invoice:service>");
    x = Replace(x, "</invoice:services>",
                "</invoice:services><invoice:documents number=\"2\"><invoice:document "
                "title=\"Bericht\" filename=\"b.pdf\" mimeType=\"application/pdf\">"
                "<invoice:base64>JVBERi0=</invoice:base64></invoice:document><invoice:document "
                "title=\"Bild\" filename=\"b.png\" mimeType=\"image/png\">"
                "<invoice:url>https://b.ch/b.png</invoice:url></invoice:document>"
                "</invoice:documents>");
    return x;
}

// A tiers_payant invoice paid by orange slip (esr9) with a bank, under ivg,
// with stationary hospital data; parties as companies.
std::string PayantEsr9Ivg(std::string x) {
    x = ReplaceAll(x, "invoice:tiers_garant", "invoice:tiers_payant");
    x = Replace(x, " amount_prepaid=\"0.0\"", "");
    std::string biller = ElementText(x, "invoice:biller");
    x = Replace(x, biller,
                std::string("<invoice:biller ean_party=\"2000000000002\">") + kFullCompany +
                    "</invoice:biller>");
    std::string provider = ElementText(x, "invoice:provider");
    x = Replace(x, provider,
                std::string("<invoice:provider ean_party=\"2000000000002\" zsr=\"C000002\" "
                            "specialty=\"Spital\">") +
                    kFullCompany + "</invoice:provider>");
    x = Replace(x, "<invoice:patient ",
                std::string("<invoice:insurance ean_party=\"7601003000015\">") + kFullCompany +
                    "</invoice:insurance><invoice:patient ");
    std::string guarantor = ElementText(x, "invoice:guarantor");
    x = Replace(x, guarantor,
                std::string("<invoice:guarantor>") + kFullCompany +
                    "</invoice:guarantor><invoice:referrer>" + kFullCompany +
                    "</invoice:referrer><invoice:employer>" + kFullCompany + "</invoice:employer>");
    std::string slip = ElementText(x, "invoice:esrQR");
    x = Replace(x, slip,
                std::string("<invoice:esr9 type=\"16or27plus\" participant_number=\"01-12345-6\" "
                            "reference_number=\"12 34567 89012 34567 89012 34567\" "
                            "coding_line=\"042&gt;123456789012345678901234567+ 010123456&gt;\">"
                            "<invoice:bank>") +
                    kFullPerson + "</invoice:bank><invoice:creditor>" + kFullCompany +
                    "</invoice:creditor></invoice:esr9>");
    std::string law = ElementText(x, "invoice:mvg");
    x = Replace(x, law,
                "<invoice:ivg case_id=\"123456789\" case_date=\"2020-05-01T00:00:00\" "
                "ssn=\"7560000000011\" nif=\"1234567\"/>");
    x = Replace(x, "</invoice:treatment>",
                "<invoice:xtra_hospital><invoice:stationary "
                "hospitalization_date=\"2020-06-01T00:00:00\" treatment_days=\"P2D\" "
                "hospitalization_type=\"regular\" hospitalization_mode=\"noncantonal_indicated\" "
                "class=\"semi_private\" section_major=\"M200\" has_expense_loading=\"false\">"
                "<invoice:admission_type number=\"1\" name=\"a\"/>"
                "<invoice:discharge_type number=\"1\" name=\"b\"/>"
                "<invoice:provider_type number=\"1\" name=\"c\"/>"
                "<invoice:bfs_residence_before_admission code=\"1\" name=\"d\"/>"
                "<invoice:bfs_admission_type code=\"1\" name=\"e\"/>"
                "<invoice:bfs_decision_for_discharge code=\"1\" name=\"f\"/>"
                "<invoice:bfs_residence_after_discharge code=\"1\" name=\"g\"/>"
                "<invoice:case_detail record_id=\"1\" tariff_type=\"001\" code=\"c\" "
                "date_begin=\"2020-06-01T00:00:00\" date_end=\"2020-06-02T00:00:00\" acid=\"a1\"/>"
                "</invoice:stationary></invoice:xtra_hospital></invoice:treatment>");
    return x;
}

// Red payment slip with bank, IBAN and reference, under uvg.
std::string RedSlipUvg(std::string x) {
    std::string slip = ElementText(x, "invoice:esrQR");
    x = Replace(x, slip,
                std::string("<invoice:esrRed payment_to=\"bank_account\" "
                            "post_account=\"01-12345-6\" iban=\"CH5800791123000889012\" "
                            "reference_number=\"AB12345678\" "
                            "coding_line1=\"123456789012345678901234567+ 071234567&gt;\" "
                            "coding_line2=\"123456789&gt;\"><invoice:bank>") +
                    kFullCompany + "</invoice:bank><invoice:creditor>" + kFullPerson +
                    "</invoice:creditor><invoice:payment_reason>Rechnung 1"
                    "</invoice:payment_reason></invoice:esrRed>");
    std::string law = ElementText(x, "invoice:mvg");
    return Replace(x, law,
                   "<invoice:uvg insured_id=\"i1\" case_id=\"c1\" "
                   "case_date=\"2020-05-01T00:00:00\" ssn=\"7560000000011\"/>");
}

std::string WithLaw(const std::string& x, const std::string& law) {
    return Replace(x, ElementText(x, "invoice:mvg"),
                   "<invoice:" + law +
                       " insured_id=\"i1\" case_id=\"c1\" case_date=\"2020-05-01T00:00:00\"/>");
}

}  // namespace

std::vector<RichDocument> RichDocuments(const std::string& validSample) {
    return {
        {"garant, qr, mvg, every optional part", GarantQrMvg(validSample), {}},
        {"payant, esr9, ivg, stationary", PayantEsr9Ivg(validSample), {}},
        {"esrRed, uvg", RedSlipUvg(validSample), {"esrRed", "bank", "uvg"}},
        {"kvg", WithLaw(validSample, "kvg"), {"kvg"}},
        {"vvg", WithLaw(validSample, "vvg"), {"vvg"}},
        {"org", WithLaw(validSample, "org"), {"org"}},
    };
}

}  // namespace testing_support
}  // namespace module
