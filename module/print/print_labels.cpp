#include "module/print/print_labels.h"

#include <cstddef>

namespace invoice {

namespace {

struct Texts {
    LabelId id;
    const char* de;
    const char* fr;
    const char* it;
};

// One row per label, in the order of LabelId (checked by LabelsAreInOrder).
constexpr Texts kLabels[] = {
    {LabelId::kTitleReclaimGarant, "Rückforderungsbeleg", "Justificatif de remboursement",
     "Giustificativo di rimborso"},
    {LabelId::kTitleReclaimPayant, "TP-Rechnung", "Facture TP", "Fattura TP"},
    {LabelId::kTitleInvoice, "Rechnung", "Facture", "Fattura"},
    {LabelId::kTitleReminder, "Mahnung", "rappel", "richiamo"},
    {LabelId::kCopy, "Kopie", "Copie", "Copia"},
    {LabelId::kStorno, "Storno", "Annulation", "Storno"},
    {LabelId::kPage, "Seite", "Page", "Pagina"},
    {LabelId::kDocument, "Dokument", "Document", "Documento"},
    {LabelId::kInvoiceNumber, "Rechnungs-Nr.", "N° de facture", "N. fattura"},
    {LabelId::kInvoiceDate, "Rechnungsdatum", "Date de facture", "Data fattura"},
    {LabelId::kTimestamp, "Identifikation", "Identification", "Identificazione"},
    {LabelId::kSender, "Absender", "Expéditeur", "Mittente"},
    {LabelId::kReminderNumber, "Mahnungs-Nr.", "N° de rappel", "N. richiamo"},
    {LabelId::kReminderDate, "Mahndatum", "Date du rappel", "Data del richiamo"},
    {LabelId::kBiller, "Rechnungssteller", "Émetteur de la facture", "Emittente della fattura"},
    {LabelId::kProvider, "Leistungserbringer", "Prestataire", "Fornitore"},
    {LabelId::kPatient, "Patient", "Patient", "Paziente"},
    {LabelId::kInsurance, "Versicherung", "Assurance", "Assicurazione"},
    {LabelId::kReferrer, "Zuweiser", "Médecin mandant", "Medico inviante"},
    {LabelId::kGln, "GLN", "GLN", "GLN"},
    {LabelId::kZsr, "ZSR-Nr.", "N° RCC", "N. RCC"},
    {LabelId::kBirthdate, "Geburtsdatum", "Date de naissance", "Data di nascita"},
    {LabelId::kSex, "Geschlecht", "Sexe", "Sesso"},
    {LabelId::kMale, "männlich", "masculin", "maschile"},
    {LabelId::kFemale, "weiblich", "féminin", "femminile"},
    {LabelId::kSsn, "AHV-Nr.", "N° AVS", "N. AVS"},
    {LabelId::kInsuredId, "Versicherten-Nr.", "N° d'assuré", "N. assicurato"},
    {LabelId::kCardId, "Karten-Nr.", "N° de carte", "N. tessera"},
    {LabelId::kProviderList, "GLN-Liste", "Liste GLN", "Elenco GLN"},
    {LabelId::kLaw, "Gesetz", "Loi", "Legge"},
    {LabelId::kCaseId, "Fall-Nr.", "N° de cas", "N. caso"},
    {LabelId::kCaseDate, "Falldatum", "Date du cas", "Data del caso"},
    {LabelId::kTreatment, "Behandlung", "Traitement", "Trattamento"},
    {LabelId::kReason, "Behandlungsgrund", "Motif du traitement", "Motivo del trattamento"},
    {LabelId::kCanton, "Kanton", "Canton", "Cantone"},
    {LabelId::kDiagnoses, "Diagnose", "Diagnostic", "Diagnosi"},
    {LabelId::kRemark, "Bemerkung", "Remarque", "Osservazione"},
    {LabelId::kReasonDisease, "Krankheit", "Maladie", "Malattia"},
    {LabelId::kReasonAccident, "Unfall", "Accident", "Infortunio"},
    {LabelId::kReasonMaternity, "Mutterschaft", "Maternité", "Maternità"},
    {LabelId::kReasonPrevention, "Prävention", "Prévention", "Prevenzione"},
    {LabelId::kReasonBirthDefect, "Geburtsgebrechen", "Infirmité congénitale",
     "Infermità congenita"},
    {LabelId::kReasonUnknown, "Unbekannt", "Inconnu", "Sconosciuto"},
    {LabelId::kColDate, "Datum", "Date", "Data"},
    {LabelId::kColTariff, "Tarif", "Tarif", "Tariffa"},
    {LabelId::kColCode, "Tarifziffer", "Code tarifaire", "Cifra tariffale"},
    {LabelId::kColRefCode, "Bezugsziffer", "Code de réf.", "Cifra di rif."},
    {LabelId::kColSession, "Sitz.", "Séan.", "Sed."},
    {LabelId::kColSide, "Seite", "Côté", "Lato"},
    {LabelId::kColQuantity, "Anzahl", "Quantité", "Quantità"},
    {LabelId::kColUnitMt, "TP AL/Preis", "PT PM/Prix", "PT PM/Prezzo"},
    {LabelId::kColFactorMt, "f AL", "f PM", "f PM"},
    {LabelId::kColUnitTt, "TP TL", "PT PT", "PT PT"},
    {LabelId::kColFactorTt, "f TL", "f PT", "f PT"},
    {LabelId::kColProvider, "L/V", "F/R", "F/R"},
    {LabelId::kColObligation, "P", "O", "O"},
    {LabelId::kColVat, "MWSt", "TVA", "IVA"},
    {LabelId::kColAmount, "Betrag", "Montant", "Importo"},
    {LabelId::kCarried, "Übertrag", "Report", "Riporto"},
    {LabelId::kSubtotal, "Zwischentotal", "Sous-total", "Subtotale"},
    {LabelId::kVatRate, "MWSt-Satz", "Taux TVA", "Aliquota IVA"},
    {LabelId::kVatBase, "Betrag", "Montant", "Importo"},
    {LabelId::kVat, "MWSt", "TVA", "IVA"},
    {LabelId::kVatNumber, "MWSt-Nr.", "N° TVA", "N. IVA"},
    {LabelId::kTotal, "Total", "Total", "Totale"},
    {LabelId::kObligations, "davon Pflichtleistungen", "dont prestations obligatoires",
     "di cui prestazioni obbligatorie"},
    {LabelId::kPrepaid, "Anzahlung", "Acompte", "Acconto"},
    {LabelId::kReminderFee, "Mahngebühr", "Frais de rappel", "Spese di richiamo"},
    {LabelId::kAmountDue, "Fälliger Betrag", "Montant dû", "Importo dovuto"},
    {LabelId::kPaymentPeriod, "Zahlbar innert", "Payable dans les", "Pagabile entro"},
    {LabelId::kDays, "Tagen", "jours", "giorni"},
    {LabelId::kReceipt, "Empfangsschein", "Récépissé", "Ricevuta"},
    {LabelId::kPaymentPart, "Zahlteil", "Section paiement", "Sezione pagamento"},
    {LabelId::kAccountPayableTo, "Konto / Zahlbar an", "Compte / Payable à", "Conto / Pagabile a"},
    {LabelId::kReference, "Referenz", "Référence", "Riferimento"},
    {LabelId::kAdditionalInformation, "Zusätzliche Informationen", "Informations supplémentaires",
     "Informazioni supplementari"},
    {LabelId::kPayableBy, "Zahlbar durch", "Payable par", "Pagabile da"},
    {LabelId::kPayableByNameAddress, "Zahlbar durch (Name/Adresse)", "Payable par (nom/adresse)",
     "Pagabile da (nome/indirizzo)"},
    {LabelId::kCurrency, "Währung", "Monnaie", "Valuta"},
    {LabelId::kAmount, "Betrag", "Montant", "Importo"},
    {LabelId::kAcceptancePoint, "Annahmestelle", "Point de dépôt", "Punto di accettazione"},
    {LabelId::kSeparateBeforePaying, "Vor der Einzahlung abzutrennen",
     "A détacher avant le versement", "Da staccare prima del versamento"},
};

static_assert(sizeof(kLabels) / sizeof(kLabels[0]) == static_cast<size_t>(LabelId::kCount),
              "one row per label");

constexpr bool LabelsAreInOrder() {
    for (size_t i = 0; i < sizeof(kLabels) / sizeof(kLabels[0]); ++i) {
        if (static_cast<size_t>(kLabels[i].id) != i) return false;
    }
    return true;
}
static_assert(LabelsAreInOrder(), "rows in the order of LabelId");

const char* Pick(Language language, const char* de, const char* fr, const char* it) {
    switch (language) {
        case Language::kFrench:
            return fr;
        case Language::kItalian:
            return it;
        case Language::kGerman:
            break;
    }
    return de;
}

}  // namespace

const char* Label(Language language, LabelId id) {
    size_t index = static_cast<size_t>(id);
    if (index >= static_cast<size_t>(LabelId::kCount)) return "";
    const Texts& texts = kLabels[index];
    return Pick(language, texts.de, texts.fr, texts.it);
}

const char* LawLabel(Language language, LawType law) {
    switch (law) {
        case LawType::kKVG:
            return Pick(language, "KVG", "LAMal", "LAMal");
        case LawType::kUVG:
            return Pick(language, "UVG", "LAA", "LAINF");
        case LawType::kIVG:
            return Pick(language, "IVG", "LAI", "LAI");
        case LawType::kMVG:
            return Pick(language, "MVG", "LAM", "LAM");
        case LawType::kVVG:
            return Pick(language, "VVG", "LCA", "LCA");
        case LawType::kORG:
            break;
    }
    return Pick(language, "Andere", "Autre", "Altro");
}

}  // namespace invoice
