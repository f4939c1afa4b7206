#include "module/model/model_address.h"

namespace invoice {

std::string PhoneText(const invoice::PhoneNumber& phone) {
    std::string text;
    for (const std::string* part :
         {&phone.international_code, &phone.local_code, &phone.number, &phone.ext}) {
        if (part->empty()) continue;
        if (!text.empty()) text += ' ';
        text += *part;
    }
    return text;
}

}  // namespace invoice
