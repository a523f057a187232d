#pragma once
// The drawing surface every print routine draws on: a printer, a PDF file, the on-screen preview
// or a recording for tests. Coordinates are twips (1/1440 inch) unless ScaleMode says pixels; the
// page is A4 (11907 × 16840 twips) unless the owner sets another size. The print code treats all
// surfaces alike; only page handling differs (the preview has no pages and grows instead).
//
// The surface keeps the drawing state (units, current position, font, colours, pen) and turns
// every operation into calls in twips from the page's top-left corner; an implementation paints
// those calls, records them, or both. A failing device marks the surface failed; callers check
// ok() and stop, nothing is rolled back.
#include "core/print/fonts.h"

#include <QImage>
#include <QRgb>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace print {

// Units of ScaleMode, ScaleX and ScaleY.
enum ScaleUnit { vbTwips = 1, vbPixels = 3, vbHimetric = 8 };

// The text-in-rectangle flags.
enum DrawTextFlags { DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800 };

// FillStyle: 0 solid, 1 transparent.
enum FillStyles { vbFSSolid = 0, vbFSTransparent = 1 };

enum class LineKind { Line, Box, FilledBox };

// A rectangle in whole device pixels, as the text-in-rectangle call takes it.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A picture with its natural size in HIMETRIC (1/100 mm), as a cell or chart holds it.
struct Picture {
    QImage image;
    double widthHimetric() const;
    double heightHimetric() const;
};
using PictureRef = std::shared_ptr<const Picture>;

// One drawing call in twips from the page's top-left corner (on the preview, from the top of the
// whole tall picture). Lines go from (x1, y1) to (x2, y2); boxes, circles, pictures and text
// rectangles span x1…x2 × y1…y2; printed text starts at (x1, y1), its top-left corner.
struct Call {
    enum Kind : unsigned char { Text, TextInRect, Line, Box, FilledBox, Circle, Picture, NewPage, EndDoc, Cls };
    Kind kind = Text;
    int flags = 0;       // TextInRect: DT_LEFT, DT_CENTER or DT_RIGHT
    QRgb color = 0;      // pen colour, text colour
    QRgb fillColor = 0;  // FilledBox, or a Box/Circle drawn while FillStyle is solid
    bool filled = false; // a Box or Circle drawn while FillStyle is solid
    double penWidth = 0; // twips
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QString text;
    std::shared_ptr<const PrintFont> font;
    struct PictureSource {
        PictureRef picture;
        double sx = 0, sy = 0, sw = 0, sh = 0; // the part of the picture, in twips of its natural size
    };
    std::shared_ptr<const PictureSource> source;
};

// Recorded calls: a deque, so a long recording grows without moving what it holds.
using CallList = std::deque<Call>;

class Surface {
public:
    virtual ~Surface();
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;

    // Units: 1 twips, 3 pixels; other values are refused (false).
    int ScaleMode() const { return m_scaleMode; }
    bool setScaleMode(int mode);
    // Exact conversion on this device between twips (1), pixels (3) and HIMETRIC (8).
    double ScaleX(double value, int fromUnit, int toUnit) const;
    double ScaleY(double value, int fromUnit, int toUnit) const;
    // The usable area in current units; the page size in twips.
    double ScaleWidth() const { return fromTwipsX(m_width); }
    double ScaleHeight() const { return fromTwipsY(m_height); }
    double Width() const { return m_width; }
    double Height() const { return m_height; }
    // Only a surface without pages (the preview) may change its size.
    virtual void setWidth(double twips);
    virtual void setHeight(double twips);
    double twipsPerPixelX() const { return m_tppX; }
    double twipsPerPixelY() const { return m_tppY; }

    double CurrentX() const { return fromTwipsX(m_x); }
    double CurrentY() const { return fromTwipsY(m_y); }
    void setCurrentX(double x) { m_x = toTwipsX(x); }
    void setCurrentY(double y) { m_y = toTwipsY(y); }

    // Prints text at the current position in the current font. Ending the line moves CurrentY
    // below the text and CurrentX to 0; otherwise CurrentX moves behind the text (and CurrentY to
    // its last line). Every line of a text with line breaks starts at the same CurrentX.
    void Print(const QString &text = {}, bool endLine = true);

    PrintFont Font() const { return *m_font; }
    void setFont(const PrintFont &font);
    void setFontName(const QString &name);
    void setFontSize(double size);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontUnderline(bool on);
    void setFontStrikethru(bool on);

    QRgb ForeColor() const { return m_foreColor; }
    void setForeColor(QRgb color) { m_foreColor = color; }
    QRgb FillColor() const { return m_fillColor; }
    void setFillColor(QRgb color) { m_fillColor = color; }
    // Line width in device pixels, at least 1.
    int DrawWidth() const { return m_drawWidth; }
    void setDrawWidth(int pixels) { m_drawWidth = pixels < 1 ? 1 : pixels; }
    int FillStyle() const { return m_fillStyle; }
    void setFillStyle(int style) { m_fillStyle = style; }

    // Size of a text in current units in the current font. The height counts every line (an
    // empty text is one line); the width is that of the widest line.
    double TextWidth(const QString &text) const;
    double TextHeight(const QString &text) const;

    // A line, a box outline or a filled box from (x1, y1) to (x2, y2); without a colour ForeColor.
    void Line(double x1, double y1, double x2, double y2, LineKind kind = LineKind::Line,
              std::optional<QRgb> color = std::nullopt);
    void Circle(double x, double y, double radius, std::optional<QRgb> color = std::nullopt);
    // Paints the part (sx, sy, sw, sh) of the picture, measured in current units of its natural
    // size, into (x, y, w, h); a negative sw or sh means the whole picture.
    void PaintPicture(const PictureRef &picture, double x, double y, double w, double h, double sx = 0, double sy = 0,
                      double sw = -1, double sh = -1);
    // Clears the preview and puts the current position at (0, 0).
    void Cls();

    // Text in a rectangle in device pixels, lines broken only at line breaks, clipped to the
    // rectangle, aligned by DT_LEFT, DT_CENTER or DT_RIGHT. With DT_CALCRECT nothing is drawn and
    // the rectangle's bottom is set from the text's height. Returns the text's height in pixels.
    int DrawText(const QString &text, PixelRect &rect, int flags);

    // Printer and PDF only: start a new page (the current position goes to (0, 0)) and end the
    // document, which sends the job. Abort drops a job that failed. False when the device failed.
    bool NewPage();
    bool EndDoc();
    virtual void KillDoc() {}

    bool ok() const { return m_error.isEmpty(); }
    QString errorText() const { return m_error; }

    // Replays a recorded call (from another surface with the same page size) on this one.
    void play(const Call &call);

protected:
    Surface(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY);

    // Width of one line of text in twips in `font`.
    virtual double measure(const PrintFont &font, const QString &line) const = 0;
    // Paints or records one call.
    virtual void emitCall(const Call &call) = 0;
    // Page handling; the defaults (a surface without pages) do nothing and succeed.
    virtual bool startNewPage() { return true; }
    virtual bool finishDocument() { return true; }
    void fail(const QString &error);

    double m_width;
    double m_height;

private:
    double toTwipsX(double v) const { return m_scaleMode == vbPixels ? v * m_tppX : v; }
    double toTwipsY(double v) const { return m_scaleMode == vbPixels ? v * m_tppY : v; }
    double fromTwipsX(double v) const { return m_scaleMode == vbPixels ? v / m_tppX : v; }
    double fromTwipsY(double v) const { return m_scaleMode == vbPixels ? v / m_tppY : v; }
    double unitX(int unit) const;
    double unitY(int unit) const;
    Call styled(Call::Kind kind) const;

    double m_tppX;
    double m_tppY;
    int m_scaleMode = vbTwips;
    double m_x = 0;
    double m_y = 0;
    std::shared_ptr<const PrintFont> m_font;
    QRgb m_foreColor = 0xff000000;
    QRgb m_fillColor = 0xff000000;
    int m_drawWidth = 1;
    int m_fillStyle = vbFSTransparent;
    QString m_error;
};

// Splits a text at its line breaks (CR LF, LF or CR); an empty text is one empty line.
QStringList textLines(const QString &text);
// The number of lines textLines gives, without splitting.
qsizetype lineCount(const QString &text);

// The A4 page in twips.
inline constexpr double kA4Width = 11907;
inline constexpr double kA4Height = 16840;

} // namespace print
