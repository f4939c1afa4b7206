#include "module/print/print_value_labels.h"

#include <cstddef>

namespace invoice {

namespace {

struct Names {
    const char* de;
    const char* fr;
    const char* it;
};

// The names of an enumeration counting from 1, one row per value in the
// enumeration's order.
template <typename E, size_t N>
const char* NameOf(Language language, E value, const Names (&names)[N]) {
    size_t index = static_cast<size_t>(value) - 1;
    if (index >= N) return "";
    switch (language) {
        case Language::kFrench:
            return names[index].fr;
        case Language::kItalian:
            return names[index].it;
        case Language::kGerman:
            break;
    }
    return names[index].de;
}

constexpr Names kRoles[] = {
    {"Arzt", "Médecin", "Medico"},
    {"Physiotherapie", "Physiothérapie", "Fisioterapia"},
    {"Chiropraktik", "Chiropratique", "Chiropratica"},
    {"Ergotherapie", "Ergothérapie", "Ergoterapia"},
    {"Ernährungsberatung", "Conseil nutritionnel", "Consulenza nutrizionale"},
    {"Hebamme", "Sage-femme", "Levatrice"},
    {"Logopädie", "Logopédie", "Logopedia"},
    {"Spital", "Hôpital", "Ospedale"},
    {"Apotheke", "Pharmacie", "Farmacia"},
    {"Zahnarzt", "Dentiste", "Dentista"},
    {"Labor", "Laboratoire", "Laboratorio"},
    {"Zahntechnik", "Technique dentaire", "Odontotecnica"},
    {"Andere Technik", "Autre technique", "Altra tecnica"},
    {"Psychologie", "Psychologie", "Psicologia"},
    {"Grossist", "Grossiste", "Grossista"},
    {"Pflege", "Soins", "Cure"},
    {"Transport und Rettung", "Transport et sauvetage", "Trasporto e salvataggio"},
    {"Drogerie", "Droguerie", "Drogheria"},
    {"Naturarzt", "Médecin naturopathe", "Medico naturopata"},
    {"Naturheilpraktiker", "Thérapeute naturopathe", "Terapista naturopata"},
    {"Andere", "Autre", "Altro"},
};

constexpr Names kPlaces[] = {
    {"Praxis", "Cabinet", "Studio"},         {"Spital", "Hôpital", "Ospedale"},
    {"Labor", "Laboratoire", "Laboratorio"}, {"Verband", "Association", "Associazione"},
    {"Firma", "Entreprise", "Ditta"},
};

constexpr Names kDiagnosisCatalogues[] = {
    {"ICD-10", "CIM-10", "ICD-10"},
    {"Kantonaler Code", "Code cantonal", "Codice cantonale"},
    {"DRG", "DRG", "DRG"},
    {"Tessiner Code", "Code tessinois", "Codice ticinese"},
    {"Freitext", "Texte libre", "Testo libero"},
    {"Geburtsgebrechen", "Infirmité congénitale", "Infermità congenita"},
    {"ICPC-2", "CISP-2", "ICPC-2"},
};

constexpr Names kTreatmentTypes[] = {
    {"ambulant", "ambulatoire", "ambulatoriale"},
    {"stationär", "stationnaire", "stazionario"},
};

constexpr Names kTreatmentReasons[] = {
    {"Krankheit", "Maladie", "Malattia"},
    {"Unfall", "Accident", "Infortunio"},
    {"Mutterschaft", "Maternité", "Maternità"},
    {"Prävention", "Prévention", "Prevenzione"},
    {"Geburtsgebrechen", "Infirmité congénitale", "Infermità congenita"},
    {"Unbekannt", "Inconnu", "Sconosciuto"},
};

constexpr Names kHospitalizationTypes[] = {
    {"regulärer Eintritt", "admission ordinaire", "ammissione ordinaria"},
    {"Notfall", "urgence", "urgenza"},
};

constexpr Names kHospitalizationModes[] = {
    {"innerkantonal", "dans le canton", "nel cantone"},
    {"ausserkantonal, medizinisch indiziert", "hors canton, indication médicale",
     "fuori cantone, indicazione medica"},
    {"ausserkantonal, nicht indiziert", "hors canton, sans indication médicale",
     "fuori cantone, senza indicazione medica"},
};

constexpr Names kHospitalizationClasses[] = {
    {"Privat", "Privée", "Privata"},
    {"Halbprivat", "Demi-privée", "Semiprivata"},
    {"Allgemein", "Commune", "Comune"},
    {"Spitalkomfort", "Confort hospitalier", "Comfort ospedaliero"},
    {"Freie Arztwahl", "Libre choix du médecin", "Libera scelta del medico"},
};

constexpr Names kTiers[] = {
    {"Tiers garant (TG)", "Tiers garant (TG)", "Terzo garante (TG)"},
    {"Tiers payant (TP)", "Tiers payant (TP)", "Terzo pagante (TP)"},
};

constexpr Names kBillingRoles[] = {
    {"AL", "PM", "PM"},
    {"TL", "PT", "PT"},
    {"AL+TL", "PM+PT", "PM+PT"},
    {"–", "–", "–"},
};

}  // namespace

const char* RoleName(Language language, RoleType role) {
    return NameOf(language, role, kRoles);
}

const char* PlaceName(Language language, PlaceType place) {
    return NameOf(language, place, kPlaces);
}

const char* DiagnosisCatalogueName(Language language, DiagnosisType type) {
    return NameOf(language, type, kDiagnosisCatalogues);
}

const char* TreatmentTypeName(Language language, TreatmentType type) {
    return NameOf(language, type, kTreatmentTypes);
}

const char* TreatmentReasonName(Language language, TreatmentReason reason) {
    return NameOf(language, reason, kTreatmentReasons);
}

const char* HospitalizationTypeName(Language language, HospitalizationType type) {
    return NameOf(language, type, kHospitalizationTypes);
}

const char* HospitalizationModeName(Language language, HospitalizationMode mode) {
    return NameOf(language, mode, kHospitalizationModes);
}

const char* HospitalizationClassName(Language language, HospitalizationClass value) {
    return NameOf(language, value, kHospitalizationClasses);
}

const char* TiersName(Language language, TiersMode mode) {
    return NameOf(language, mode, kTiers);
}

const char* BillingRoleName(Language language, BillingRole role) {
    return NameOf(language, role, kBillingRoles);
}

}  // namespace invoice
