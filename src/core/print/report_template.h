#pragma once
// Report templates (".rpl"): a page design of straight lines and text labels made by the separate
// report designer. The file is INI text in code page 936:
//   [Information] LinesNum, LabelsNum (the index of the last record; −1 for none), Page (−1 landscape)
//   [Lines]  0, 1, … "x1,y1,x2,y2[,n]" in twips from the page's top-left corner
//   [Labels] 0, 1, … ten fields separated by "｜": text, top, left, font name, bold, italic, size,
//            strike-through, underline, colour (red + 256 × green + 65536 × blue); "[/]" in the
//            text is a line break.
// A template is read whole before anything uses it; a malformed one is refused as a whole.
#include "core/print/fonts.h"
#include "core/print/surface.h"

#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <optional>

namespace print {

// The most records of either kind a template may hold (an index up to 10000).
inline constexpr int kMaxReportRecord = 10000;
// A template file larger than this cannot be one.
inline constexpr qint64 kMaxReportTemplateBytes = 16 * 1024 * 1024;

struct ReportLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// One text label: its caption (line breaks as CR LF), position, font and colour.
struct ReportLabel {
    QString caption;
    double top = 0;
    double left = 0;
    PrintFont font;
    QRgb color = 0xff000000;
};

struct ReportTemplate {
    QStringList lineRecords; // the line records as read (List2)
    QList<ReportLine> lines;
    QList<ReportLabel> labels; // label i is labels[i − 1]
    bool landscape = false;    // "Page" = −1: 纸张横向
};

// `all` with every `oldText` replaced by `newText`, in one pass from left to right (an inserted text
// is never searched again); an empty `oldText` gives `all` unchanged.
QString ChangeText(const QString &all, const QString &oldText, const QString &newText);

// A line record: four whole numbers before the first four commas; anything after a fourth comma is
// read and not used. nullopt without four numbers. Coordinates are held to ±100000 twips (the part
// of a longer line within them is kept).
std::optional<ReportLine> parseLineRecord(const QString &record);
// A label record (SetLabel): nullopt with fewer than ten fields. The numbers are read as far as
// they are digits (a field without any reads 0); top and left are held to ±100000 twips; a size of
// 0 or less becomes 9 and a size is held to 1000 points; the colour is masked to 24 bits.
std::optional<ReportLabel> parseLabelRecord(const QString &record);

// The whole template from its INI text; nullopt when any record or count is malformed (a count
// that is not a whole number or is over 10000; a missing record reads "0" and is malformed).
std::optional<ReportTemplate> parseReportTemplate(const QString &iniText);
// Reads and parses a template file; nullopt when it cannot be read, is too large or is malformed.
std::optional<ReportTemplate> readReportTemplate(const QString &path);

// DrawLines: the line in pure red (colour value 255) when `red`, else in black.
void DrawLines(const ReportLine &line, bool red, Surface &out);
// One page: every line in black, then every label i with texts[i − 1] (its caption where the list
// is shorter) at its left and top in its font and colour, each text line below the other.
void drawReportPage(Surface &out, const ReportTemplate &t, const QStringList &texts);

} // namespace print
