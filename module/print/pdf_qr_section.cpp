#include "module/print/pdf_qr_section.h"

#include <qrencode.h>

#include <cassert>
#include <vector>

#include "module/print/print_labels.h"

namespace invoice {

namespace {

constexpr double kReceiptWidth = 62.0;
constexpr double kMargin = 5.0;
constexpr double kPaymentX = kReceiptWidth + kMargin;  // 67
constexpr double kQrTop = 17.0;
constexpr double kInfoX = 118.0;

const TextStyle kTitle{11, FontFace::kBold, TextAlign::kLeft};
const TextStyle kReceiptHeading{6, FontFace::kBold, TextAlign::kLeft};
const TextStyle kReceiptValue{8, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kPaymentHeading{8, FontFace::kBold, TextAlign::kLeft};
const TextStyle kPaymentValue{10, FontFace::kRegular, TextAlign::kLeft};

struct QrModules {
    int size = 0;
    std::vector<bool> dark;  // row by row
};

bool EncodeQr(const std::string& payload, QrModules* out) {
    QRcode* code =
        QRcode_encodeData(static_cast<int>(payload.size()),
                          reinterpret_cast<const unsigned char*>(payload.data()), 0, QR_ECLEVEL_M);
    if (code == nullptr) return false;
    out->size = code->width;
    out->dark.resize(static_cast<size_t>(code->width) * code->width);
    for (size_t i = 0; i < out->dark.size(); ++i) out->dark[i] = (code->data[i] & 1) != 0;
    QRcode_free(code);
    return true;
}

// The Swiss cross: a white square of 7 mm, a black one of 6 mm and the
// white cross in the proportions of the flag (arms 6/32 wide, 20/32 long).
void DrawSwissCross(cairo_t* cr, double cx, double cy) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, cx - 3.5, cy - 3.5, 7, 7);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, cx - 3, cy - 3, 6, 6);
    cairo_fill(cr);
    const double arm = 6.0 * 6 / 32;
    const double length = 6.0 * 20 / 32;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, cx - arm / 2, cy - length / 2, arm, length);
    cairo_rectangle(cr, cx - length / 2, cy - arm / 2, length, arm);
    cairo_fill(cr);
}

// The code's dark modules as one rectangle per horizontal run.
void DrawQrCode(cairo_t* cr, const QrModules& qr, double x, double y) {
    const double module = kQrCodeSizeMm / qr.size;
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (int row = 0; row < qr.size; ++row) {
        int column = 0;
        while (column < qr.size) {
            if (!qr.dark[static_cast<size_t>(row) * qr.size + column]) {
                ++column;
                continue;
            }
            int end = column;
            while (end < qr.size && qr.dark[static_cast<size_t>(row) * qr.size + end]) ++end;
            cairo_rectangle(cr, x + column * module, y + row * module, (end - column) * module,
                            module);
            column = end;
        }
    }
    cairo_fill(cr);
    DrawSwissCross(cr, x + kQrCodeSizeMm / 2, y + kQrCodeSizeMm / 2);
    cairo_restore(cr);
}

std::vector<std::string> AddressLines(const QrAddress& address) {
    std::vector<std::string> lines{address.name};
    std::string street = address.street;
    if (!address.building_number.empty()) {
        street += (street.empty() ? "" : " ") + address.building_number;
    }
    if (!street.empty()) lines.push_back(street);
    std::string place = address.postcode + " " + address.town;
    if (address.country != "CH") place = address.country + "-" + place;
    lines.push_back(place);
    return lines;
}

// One block: heading, then its lines. Returns the y below it.
double Block(PdfDocument* pdf, double x, double y, double width, const char* heading,
             const std::vector<std::string>& lines, const TextStyle& heading_style,
             const TextStyle& value_style) {
    y += pdf->Text(x, y, width, heading, heading_style);
    for (const std::string& line : lines) y += pdf->Text(x, y, width, line, value_style);
    return y + pdf->LineHeight(value_style.size_pt) * 0.8;
}

// Corner marks of a box to fill in by hand.
void CornerBox(PdfDocument* pdf, double x, double y, double width, double height) {
    const double c = 3;
    const double w = 0.75;
    pdf->Line(x, y, x + c, y, w);
    pdf->Line(x, y, x, y + c, w);
    pdf->Line(x + width - c, y, x + width, y, w);
    pdf->Line(x + width, y, x + width, y + c, w);
    pdf->Line(x, y + height - c, x, y + height, w);
    pdf->Line(x, y + height, x + c, y + height, w);
    pdf->Line(x + width, y + height - c, x + width, y + height, w);
    pdf->Line(x + width - c, y + height, x + width, y + height, w);
}

struct SlipTexts {
    std::vector<std::string> account;
    std::string reference;
    std::string amount;
};

SlipTexts TextsOf(const QrBill& bill) {
    SlipTexts texts;
    texts.account = AddressLines(bill.creditor);
    texts.account.insert(texts.account.begin(), PrintedIban(bill.iban));
    if (!bill.reference.empty()) {
        texts.reference = PrintedReference(bill.reference_type, bill.reference);
    }
    if (!bill.open_amount) texts.amount = PrintedAmountText(bill.amount);
    return texts;
}

void DrawReceipt(PdfDocument* pdf, double top, const QrBill& bill, const SlipTexts& texts,
                 Language language) {
    const double x = kMargin;
    const double width = kReceiptWidth - 2 * kMargin;
    pdf->Text(x, top + kMargin, width, Label(language, LabelId::kReceipt), kTitle);
    double y = top + 12;
    y = Block(pdf, x, y, width, Label(language, LabelId::kAccountPayableTo), texts.account,
              kReceiptHeading, kReceiptValue);
    if (!texts.reference.empty()) {
        y = Block(pdf, x, y, width, Label(language, LabelId::kReference), {texts.reference},
                  kReceiptHeading, kReceiptValue);
    }
    if (bill.debtor) {
        Block(pdf, x, y, width, Label(language, LabelId::kPayableBy), AddressLines(*bill.debtor),
              kReceiptHeading, kReceiptValue);
    } else {
        y += pdf->Text(x, y, width, Label(language, LabelId::kPayableByNameAddress),
                       kReceiptHeading);
        CornerBox(pdf, x, y + 1, 52, 20);
    }
    double amount_top = top + 68;
    pdf->Text(x, amount_top, 12, Label(language, LabelId::kCurrency), kReceiptHeading);
    pdf->Text(x + 12, amount_top, 30, Label(language, LabelId::kAmount), kReceiptHeading);
    pdf->Text(x, amount_top + 3.5, 12, bill.currency, kReceiptValue);
    if (bill.open_amount) {
        CornerBox(pdf, kReceiptWidth - kMargin - 30, amount_top + 2, 30, 10);
    } else {
        pdf->Text(x + 12, amount_top + 3.5, 30, texts.amount, kReceiptValue);
    }
    TextStyle acceptance = kReceiptHeading;
    acceptance.align = TextAlign::kRight;
    pdf->Text(x, top + 82, width, Label(language, LabelId::kAcceptancePoint), acceptance);
}

void DrawPaymentPart(PdfDocument* pdf, double top, const QrBill& bill, const SlipTexts& texts,
                     const QrModules& qr, Language language) {
    pdf->Text(kPaymentX, top + kMargin, 46, Label(language, LabelId::kPaymentPart), kTitle);
    DrawQrCode(pdf->cairo(), qr, kPaymentX, top + kQrTop);
    double amount_top = top + 68;
    pdf->Text(kPaymentX, amount_top, 15, Label(language, LabelId::kCurrency), kPaymentHeading);
    pdf->Text(kPaymentX + 15, amount_top, 36, Label(language, LabelId::kAmount), kPaymentHeading);
    pdf->Text(kPaymentX, amount_top + 4.5, 15, bill.currency, kPaymentValue);
    if (bill.open_amount) {
        CornerBox(pdf, kInfoX - 40, amount_top + 4.5, 40, 15);
    } else {
        pdf->Text(kPaymentX + 15, amount_top + 4.5, 36, texts.amount, kPaymentValue);
    }

    const double width = kPageWidthMm - kMargin - kInfoX;
    double y = top + kMargin;
    y = Block(pdf, kInfoX, y, width, Label(language, LabelId::kAccountPayableTo), texts.account,
              kPaymentHeading, kPaymentValue);
    if (!texts.reference.empty()) {
        y = Block(pdf, kInfoX, y, width, Label(language, LabelId::kReference), {texts.reference},
                  kPaymentHeading, kPaymentValue);
    }
    if (!bill.message.empty()) {
        y += pdf->Text(kInfoX, y, width, Label(language, LabelId::kAdditionalInformation),
                       kPaymentHeading);
        y += pdf->Paragraph(kInfoX, y, width, bill.message, kPaymentValue);
        y += pdf->LineHeight(kPaymentValue.size_pt) * 0.8;
    }
    if (bill.debtor) {
        Block(pdf, kInfoX, y, width, Label(language, LabelId::kPayableBy),
              AddressLines(*bill.debtor), kPaymentHeading, kPaymentValue);
    } else {
        y += pdf->Text(kInfoX, y, width, Label(language, LabelId::kPayableByNameAddress),
                       kPaymentHeading);
        CornerBox(pdf, kInfoX, y + 1, 65, 25);
    }
}

}  // namespace

bool DrawPaymentSlip(PdfDocument* pdf, double top, const QrBill& bill, const std::string& payload,
                     Language language, std::string* error) {
    assert(pdf != nullptr && error != nullptr);
    QrModules qr;
    if (!EncodeQr(payload, &qr)) {
        *error = "the QR code of the payment part cannot be encoded";
        return false;
    }
    TextStyle note{6, FontFace::kRegular, TextAlign::kCenter};
    pdf->Text(0, top - 3, kPageWidthMm, Label(language, LabelId::kSeparateBeforePaying), note);
    pdf->Line(0, top, kPageWidthMm, top, 0.5);
    pdf->Line(kReceiptWidth, top, kReceiptWidth, kPageHeightMm, 0.5);
    SlipTexts texts = TextsOf(bill);
    DrawReceipt(pdf, top, bill, texts, language);
    DrawPaymentPart(pdf, top, bill, texts, qr, language);
    return true;
}

}  // namespace invoice
