#pragma once

#include <string>

// The print template as the module's Print receives it: the client's
// template with the items that name files of the client's machine removed
// ("#inipath" tail, a ".vps" name, "webstamp", "pdf_noprint", "pdf=" and
// "pdf =" items) and "PDF_NOPRINT=<pdfPath>;" inserted right after the first
// '('. A template without '(' (or any failure) gives the default
// "(PDF_NOPRINT=<pdfPath>;)". The letter case of the client's text is kept;
// markers are found without regard to case and only after the first
// character.
std::string RewritePrintTemplate(const std::string& clientTemplate, const std::string& pdfPath);
