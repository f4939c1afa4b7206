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
    {LabelId::kInvoiceNumber, "Rechnungs-Nr.", "N° de facture", "N. fattura"},
    {LabelId::kInvoiceDate, "Rechnungsdatum", "Date de facture", "Data fattura"},
    {LabelId::kTimestamp, "Identifikation", "Identification", "Identificazione"},
    {LabelId::kOfDate, "vom", "du", "del"},
    {LabelId::kStornoOf, "Storno zu", "Annule", "Annulla"},
    {LabelId::kCredit, "Gutschrift", "Note de crédit", "Nota di credito"},
    {LabelId::kDueDate, "Fällig am", "Échéance", "Scadenza"},
    {LabelId::kSender, "Absender", "Expéditeur", "Mittente"},
    {LabelId::kReminderLevel, "Mahnstufe", "Niveau de rappel", "Livello richiamo"},
    {LabelId::kReminderNumber, "Mahnungs-Nr.", "N° de rappel", "N. richiamo"},
    {LabelId::kReminderDate, "Mahndatum", "Date du rappel", "Data del richiamo"},
    {LabelId::kTiers, "Vergütungsart", "Remboursement", "Rimborso"},
    {LabelId::kBiller, "Rechnungssteller", "Émetteur de la facture", "Emittente della fattura"},
    {LabelId::kProvider, "Leistungserbringer", "Prestataire", "Fornitore"},
    {LabelId::kPatient, "Patient", "Patient", "Paziente"},
    {LabelId::kInsured, "Versicherte Person", "Personne assurée", "Persona assicurata"},
    {LabelId::kGuarantor, "Garant", "Garant", "Garante"},
    {LabelId::kInsurance, "Versicherung", "Assurance", "Assicurazione"},
    {LabelId::kEmployer, "Arbeitgeber", "Employeur", "Datore di lavoro"},
    {LabelId::kReferrer, "Zuweiser", "Médecin mandant", "Medico inviante"},
    {LabelId::kGln, "GLN", "GLN", "GLN"},
    {LabelId::kZsr, "ZSR-Nr.", "N° RCC", "N. RCC"},
    {LabelId::kUid, "UID", "IDE", "IDI"},
    {LabelId::kVatSuffix, "MWST", "TVA", "IVA"},
    {LabelId::kRegNumber, "Reg.-Nr.", "N° d'enreg.", "N. reg."},
    {LabelId::kBirthdate, "Geburtsdatum", "Date de naissance", "Data di nascita"},
    {LabelId::kSex, "Geschlecht", "Sexe", "Sesso"},
    {LabelId::kMale, "männlich", "masculin", "maschile"},
    {LabelId::kFemale, "weiblich", "féminin", "femminile"},
    {LabelId::kSsn, "AHV-Nr.", "N° AVS", "N. AVS"},
    {LabelId::kInsuredId, "Versicherten-Nr.", "N° d'assuré", "N. assicurato"},
    {LabelId::kCardId, "Karten-Nr.", "N° de carte", "N. tessera"},
    {LabelId::kProviderList, "GLN-Liste", "Liste GLN", "Elenco GLN"},
    {LabelId::kRolePlace, "Rolle / Ort", "Rôle / lieu", "Ruolo / luogo"},
    {LabelId::kLaw, "Gesetz", "Loi", "Legge"},
    {LabelId::kCaseId, "Fall-Nr.", "N° de cas", "N. caso"},
    {LabelId::kCaseDate, "Falldatum", "Date du cas", "Data del caso"},
    {LabelId::kTreatmentType, "Behandlungsart", "Traitement", "Trattamento"},
    {LabelId::kAdmission, "Eintritt", "Admission", "Ammissione"},
    {LabelId::kTreatmentDays, "Behandlungstage", "Jours de soins", "Giorni di cura"},
    {LabelId::kAdmissionType, "Eintrittsart", "Type d'admission", "Tipo d'ammissione"},
    {LabelId::kWardClass, "Klasse", "Classe", "Classe"},
    {LabelId::kSection, "Abteilung", "Service", "Reparto"},
    {LabelId::kTreatment, "Behandlung", "Période", "Periodo"},
    {LabelId::kReason, "Behandlungsgrund", "Motif du traitement", "Motivo del trattamento"},
    {LabelId::kCanton, "Kanton", "Canton", "Cantone"},
    {LabelId::kDiagnoses, "Diagnose", "Diagnostic", "Diagnosi"},
    {LabelId::kRemark, "Bemerkung", "Remarque", "Osservazione"},
    {LabelId::kColDate, "Datum", "Date", "Data"},
    {LabelId::kColTariff, "Tarif", "Tarif", "Tar."},
    {LabelId::kColCode, "Tarifziffer", "Code tarifaire", "Cifra tariffale"},
    {LabelId::kColRefCode, "Bezug", "Réf.", "Rif."},
    {LabelId::kColSession, "Si", "Sé", "Se"},
    {LabelId::kColSide, "L/R", "G/D", "S/D"},
    {LabelId::kColQuantity, "Anz.", "Qté", "Qtà"},
    {LabelId::kColPartMt, "Ärztliche Leistung (AL)", "Prestation médicale (PM)",
     "Prestazione medica (PM)"},
    {LabelId::kColPartTt, "Technische Leistung (TL)", "Prestation technique (PT)",
     "Prestazione tecnica (PT)"},
    {LabelId::kColUnit, "TP/Preis", "PT/Prix", "PT/Prezzo"},
    {LabelId::kColUnitFactor, "TPW", "VPT", "VPT"},
    {LabelId::kColScale, "f Skal.", "f éch.", "f scala"},
    {LabelId::kColExternal, "f ext.", "f ext.", "f est."},
    {LabelId::kColBilled, "Verr.", "Fact.", "Fatt."},
    {LabelId::kColProvider, "L/V", "F/R", "F/R"},
    {LabelId::kColObligation, "P", "O", "O"},
    {LabelId::kColVat, "MWSt", "TVA", "IVA"},
    {LabelId::kColAmount, "Betrag", "Montant", "Importo"},
    {LabelId::kNotBilled, "nicht verrechnet", "non facturée", "non fatturata"},
    {LabelId::kCarried, "Übertrag", "Report", "Riporto"},
    {LabelId::kSubtotal, "Zwischentotal", "Sous-total", "Subtotale"},
    {LabelId::kTariffTotals, "Total je Tarif", "Total par tarif", "Totale per tariffa"},
    {LabelId::kTariff, "Tarif", "Tarif", "Tariffa"},
    {LabelId::kAmountFormula,
     "Betrag je verrechnetem Teil (AL, TL) = Anz. × TP/Preis × TPW × f Skal. × f ext., auf "
     "0.01 gerundet; Betrag der Leistung = Summe ihrer verrechneten Teile.",
     "Montant par prestation facturée (PM, PT) = Qté × PT/Prix × VPT × f éch. × f ext., "
     "arrondi à 0.01 ; montant de la ligne = somme de ses prestations facturées.",
     "Importo per prestazione fatturata (PM, PT) = Qtà × PT/Prezzo × VPT × f scala × f est., "
     "arrotondato a 0.01; importo della riga = somma delle sue prestazioni fatturate."},
    {LabelId::kVatRate, "MWSt-Satz", "Taux TVA", "Aliquota IVA"},
    {LabelId::kVatBase, "Betrag", "Montant", "Importo"},
    {LabelId::kVat, "MWSt", "TVA", "IVA"},
    {LabelId::kTotal, "Total", "Total", "Totale"},
    {LabelId::kObligations, "davon Pflichtleistungen", "dont prestations obligatoires",
     "di cui prestazioni obbligatorie"},
    {LabelId::kPrepaid, "Anzahlung", "Acompte", "Acconto"},
    {LabelId::kReminderFee, "Mahngebühr", "Frais de rappel", "Spese di richiamo"},
    {LabelId::kRounding, "Rundungsdifferenz", "Différence d'arrondi",
     "Differenza d'arrotondamento"},
    {LabelId::kAmountDue, "Fälliger Betrag", "Montant dû", "Importo dovuto"},
    {LabelId::kDays, "Tage", "jours", "giorni"},
    {LabelId::kStornoNotForPayment, "Storno – nicht zur Zahlung", "Annulation – ne pas payer",
     "Storno – non pagare"},
    {LabelId::kCopyNotForPayment, "Kopie – nicht zur Zahlung", "Copie – ne pas payer",
     "Copia – non pagare"},
    {LabelId::kNothingToPay, "Nichts zu bezahlen", "Rien à payer", "Nulla da pagare"},
    {LabelId::kCreditBalance, "Guthaben zu Ihren Gunsten", "Crédit en votre faveur",
     "Credito a vostro favore"},
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
