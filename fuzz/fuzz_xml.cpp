// The XML scanner of workbook members on the bytes as a member's inflated text, read in pieces
// of the size the first byte gives (so every token is also split across reads), every text (or,
// at odd sizes, none) and the attributes the readers ask for resolved.
#include "core/exchange/xml_scanner.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qint64 step = 1 + data[0] % 64;
    const char *xml = reinterpret_cast<const char *>(data + 1);
    const qint64 length = qint64(size) - 1;
    qint64 read = 0;
    exchange::XmlScanner scanner([&](char *into, qint64 room) {
        const qint64 n = std::min({step, room, length - read});
        std::memcpy(into, xml + read, size_t(n));
        read += n;
        return n;
    });
    try {
        // Odd sizes pass over the text, as the readers do between elements.
        const bool wantText = step % 2 == 0;
        for (auto t = scanner.next(wantText); t != exchange::XmlScanner::Token::EndOfDocument;
             t = scanner.next(wantText)) {
            if (t == exchange::XmlScanner::Token::Text) {
                (void)scanner.text().size();
            } else if (t == exchange::XmlScanner::Token::Start) {
                QByteArrayView v;
                for (const char *name : {"r", "t", "s", "ref", "Target", "formatCode"})
                    scanner.attribute(name, &v);
                scanner.attribute("id", &v, true);
            }
        }
    } catch (const exchange::XmlMalformed &) {
    }
    return 0;
}
