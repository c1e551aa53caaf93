#pragma once
// Text marks: a one-line notice drawn in a corner of the picture with an
// outline, and its menu command, BIP handlers and BIP line.
#include <string>
#include <string_view>

#include <QColor>
#include <QDate>
#include <QFont>
#include <QString>

#include "core/frame.h"

namespace vimbra {

enum MarkCorner : int { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3 };

// The text prompt of the Text Mark commands.
struct TextMarkPrompt {
    static constexpr const char* caption = "Enter notice or copyright text.";
    static constexpr const char* prompt = "e.g., Vacation in Hawaii @@D";
};

// Text needs Qt's font database, which only a GUI application provides;
// without one an offscreen application is started for the rest of the run.
// False under a plain QCoreApplication.
bool FontEngineReady();

// Replaces the first "@@D" (any case) by `date`, then the first "@@C" by ©.
QString ExpandMarkMacros(const QString& text, const QString& date);
// Today's date in the user's short date format.
QString MarkDate(const QDate& day);

// The text rectangle of a corner on a width × height picture (right and
// bottom exclusive); it may reach above the picture. Empty when the picture
// is 8 pixels wide or less.
SelRect TextMarkRect(int width, int height, int corner);
// The pixels a mark may change: the rectangle and the outline's two extra
// pixels right and down, within the picture.
SelRect TextMarkArea(int width, int height, int corner);

struct MarkStyle {
    QFont font;
    QColor textColor{0, 0, 0};
    QColor outline{128, 128, 128};
};
// The workspace's remembered font, font colour and outline colour.
MarkStyle MarkStyleOf(const Workspace& ws);

// Draws the already expanded text: nine times in the outline colour, shifted
// 0..2 pixels right and down, then once in the text colour shifted by 1, each
// clipped to its shifted rectangle. A 24-bit bitmap only. False when nothing
// could be drawn (no room, or no font engine).
bool TextMarkBitmap(Bitmap& bitmap, const QString& text, int corner, const MarkStyle& style);

// TextMark(text, corner): macros expanded with `today`, drawn in the
// workspace's style on the working picture, which is then marked Modified.
void TextMark(Workspace& ws, std::string_view text, int corner, const QDate& today = QDate::currentDate());

// The command after the prompt's OK: remembers the text, takes the undo
// snapshot, marks, and records the line with the text as entered.
bool TextMarkCommand(Workspace& ws, std::string_view text, int corner);

// "TEXTMARK_TOPLEFT=" ... followed by the text as entered.
std::string TextMarkLine(int corner, std::string_view text);

// BIP handlers; the text is BatchString.
void BipTextMarkTopLeft(Workspace& ws);
void BipTextMarkTopRight(Workspace& ws);
void BipTextMarkBottomLeft(Workspace& ws);
void BipTextMarkBottomRight(Workspace& ws);

}  // namespace vimbra
