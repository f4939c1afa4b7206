#pragma once

#include <cstdint>

// The version of the invoice module, as ITarvos::GetModuleVersion and
// GetModuleVersionText answer it. The first two numbers are those of the
// invoice format the module writes (4.50); the third counts this module's
// releases for that format.
constexpr char kModuleVersion[] = "4.50.001";

// One readable line for people: what the module is and which version.
constexpr char kModuleVersionText[] =
    "Invoice engine 4.50.001 for the generalInvoiceRequest 4.50 format";

// This engine as the software of an invoice's prolog: the generator of an
// invoice it made, and the last depends_on entry of a loaded invoice's
// generator when it writes that invoice again.
constexpr char kEngineName[] = "Invoice engine";
constexpr uint32_t kEngineVersionNumber = 450001;  // 4.50.001 as one number
