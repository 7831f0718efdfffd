// The sections of the page dump, one function per kind of page, and the one-line summary of a
// page. Each function prints the page's fields and whatever it can decode; a fault in the page
// is reported (and counted) where it is found, and the rest of the page is still printed where
// the fault allows.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "DumpContext.h"

namespace ipmdb::jetdump {

void DumpHeaderPage(DumpContext& context, const uint8_t* page);
void DumpDataPage(DumpContext& context, uint32_t number, const uint8_t* page);
void DumpTableDefinitionPage(DumpContext& context, uint32_t number, const uint8_t* page);
void DumpIndexPage(DumpContext& context, uint32_t number, const uint8_t* page);
void DumpBitmapPage(DumpContext& context, uint32_t number, const uint8_t* page);

// One usage-map row (on a holder page or page 1): its role, form and the pages it lists.
void DumpUsageMapRow(DumpContext& context, std::span<const uint8_t> row, uint32_t rowPointer);

// What the page is and whose, in one line (no trailing newline).
std::string PageSummary(const DumpContext& context, uint32_t number, const uint8_t* page);

}  // namespace ipmdb::jetdump
