#pragma once
// ZProductInfo is what a device's info text (a small XML document that comes with every answer)
// tells the product record: the serial number, the edition suffix of the label and the major
// version that picks the client application.
//
//   ZProductInfo info;
//   if (ReadProductInfo("<data><systemconfig><entry serial=\"A1\" model=\"apex\" "
//                       "masterversion=\"3\"/></systemconfig></data>", "Cuedeck", &info)) {
//       // info.serial "A1" (hasSerial), info.suffix " Apex", info.majorVersion 3
//   }
//
// The document is read along data / systemconfig / entry: the first entry and every sibling
// element after it, whatever their names, in document order; a later element overrides an
// earlier one for each of the attributes "serial", "model" and "masterversion" it carries.
//
// The text comes from the network: it is refused whole when longer than kMaxProductInfoLength,
// and the XML parser refuses documents nested deeper than its element depth limit, so neither a
// huge nor a deeply nested document costs more than a bounded parse. ReadProductInfo keeps no
// pointer into the text; suffix points into a static table.

#include <cstddef>
#include <string>

// The longest info text that is read: the largest payload one UDP datagram can carry, rounded up.
inline constexpr size_t kMaxProductInfoLength = 65536;

struct ZProductInfo {
    bool hasSerial = false;
    std::string serial;
    const char* suffix = "";  // "" unless a listed model code was read
    bool hasMajorVersion = false;
    int majorVersion = 0;
};

// Reads text for a product whose label is label (it decides which edition table applies). False,
// with info untouched, when text is null, empty, too long or not well-formed XML; true otherwise,
// also for a document without the data/systemconfig/entry path (info then stays as it was made).
bool ReadProductInfo(const char* text, const char* label, ZProductInfo* info);

// The leading decimal digits of text as an int (after blanks and one sign), 0 when there are
// none; values beyond the int range stop at its ends.
int ParseLeadingInt(const char* text);
