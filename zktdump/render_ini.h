// Turns a collected inventory into zkt.ini text with which the simulated
// library gives quilmar the same answers: the same boards in list order, the
// same records, open results and lists, the same odd counts.
#ifndef QUILMAR_ZKTDUMP_RENDER_INI_H
#define QUILMAR_ZKTDUMP_RENDER_INI_H

#include <string>

#include "zktdump/inventory.h"

// Replaces *text with the zkt.ini text and *notes with what the simulator
// cannot reproduce exactly, one line each ending in "\n" (the text carries
// the same lines as "; " comments after its header). The text depends on the
// inventory alone: no dates, no addresses.
void RenderZktIni(const Inventory &inventory, std::string *text, std::string *notes);

// Appends each line of lines (each ending in "\n") to *out after prefix.
void AppendPrefixedLines(std::string *out, const char *prefix, const std::string &lines);

#endif  // QUILMAR_ZKTDUMP_RENDER_INI_H
