#include "media/rtf_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace vimbra {
namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr size_t kMaxWordLength = 32;
constexpr int kMaxDigits = 10;

// Where the text of a group goes.
enum class Dest { Text, Skip, FontTable, ColorTable };

struct GroupState {
    Dest dest = Dest::Text;
    bool bold = false, italic = false, underline = false;
    int halfPoints = 24;  // \fs: 12 pt
    int font = -1;        // \f index, -1 the default
    int color = 0;        // \cf index, 0 the automatic colour
    Qt::Alignment align = Qt::AlignLeft;
    int unicodeSkip = 1;  // \uc
    bool ignorable = false;  // a \* group: skipped when its word is unknown
};

struct Font {
    int index = 0;
    QString name;
};

// Destinations whose content never shows.
bool IsSkippedDestination(std::string_view w) {
    static constexpr std::string_view kSkip[] = {
        "pict",     "stylesheet", "info",       "header",      "footer",       "headerl",
        "headerr",  "headerf",    "footerl",    "footerr",     "footerf",      "footnote",
        "object",   "fldinst",    "listtable",  "listoverridetable", "themedata", "colorschememapping",
        "latentstyles", "datastore", "xmlnstbl", "rsidtbl",    "generator",    "filetbl",
        "revtbl",   "pgdsctbl",   "pntxta",     "pntxtb",      "bkmkstart",    "bkmkend",
        "annotation", "atnid",    "atnauthor",  "comment",     "nonshppict",   "shp",
        "shpinst",  "template",   "userprops",  "xe",          "tc",           "txe",
        "private",  "mmathPr",    "wgrffmtfilter", "fchars",   "lchars",       "operator",
        "author",   "title",      "subject",    "keywords",    "doccomm",      "company"};
    for (std::string_view s : kSkip)
        if (w == s) return true;
    return false;
}

class Reader {
public:
    Reader(std::string_view data, QTextDocument& doc) : data_(data), doc_(doc), cursor_(&doc) {}

    RtfReadResult run() {
        if (data_.size() > kMaxRtfBytes) return fail("the file is larger than 32 MB.");
        size_t start = 0;
        while (start < data_.size() && IsSpace(data_[start])) ++start;
        if (data_.substr(start, 5) != "{\\rtf") return fail("no RTF header.");
        pos_ = start;
        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            if (c == '{') {
                if (!openGroup()) return fail(error_);
            } else if (c == '}') {
                if (!closeGroup()) return fail(error_);
                if (stack_.empty()) break;  // the document's own group ended
            } else if (c == '\\') {
                if (!controlSymbolOrWord()) return fail(error_);
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                text(Cp1252ToUnicode(static_cast<unsigned char>(c)));
            }
        }
        // A truncated file keeps the text read so far.
        flush();
        applyAlignment();
        return {true, {}};
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }
    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    RtfReadResult fail(const std::string& why) {
        doc_.clear();
        return {false, "Bad RTF file: " + why};
    }

    bool openGroup() {
        if (int(stack_.size()) >= kMaxRtfDepth) {
            error_ = "groups nested too deeply.";
            return false;
        }
        if (++groups_ > kMaxRtfGroups) {
            error_ = "too many groups.";
            return false;
        }
        flush();
        GroupState next = stack_.empty() ? GroupState{} : stack_.back();
        next.ignorable = false;
        stack_.push_back(next);
        firstInGroup_ = true;
        return true;
    }

    bool closeGroup() {
        if (stack_.empty()) {
            error_ = "unbalanced braces.";
            return false;
        }
        flush();
        if (stack_.back().dest == Dest::FontTable) finishFont();
        // The last paragraph takes the alignment in force when the document ends.
        if (stack_.size() == 1) align_ = stack_.back().align;
        stack_.pop_back();
        firstInGroup_ = false;
        skipPending_ = 0;
        return true;
    }

    GroupState& state() { return stack_.back(); }

    bool controlSymbolOrWord() {
        if (pos_ >= data_.size()) return true;
        const char c = data_[pos_];
        if (!IsLetter(c)) {
            ++pos_;
            return controlSymbol(c);
        }
        const size_t wordStart = pos_;
        while (pos_ < data_.size() && IsLetter(data_[pos_])) {
            if (pos_ - wordStart >= kMaxWordLength) {
                error_ = "control word too long.";
                return false;
            }
            ++pos_;
        }
        const std::string_view word = data_.substr(wordStart, pos_ - wordStart);
        std::optional<int32_t> param;
        bool negative = false;
        if (pos_ < data_.size() && data_[pos_] == '-' && pos_ + 1 < data_.size() &&
            IsDigit(data_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        if (pos_ < data_.size() && IsDigit(data_[pos_])) {
            int64_t v = 0;
            int digits = 0;
            while (pos_ < data_.size() && IsDigit(data_[pos_])) {
                if (++digits > kMaxDigits) {
                    error_ = "number too long.";
                    return false;
                }
                v = v * 10 + (data_[pos_++] - '0');
            }
            v = std::min<int64_t>(v, INT32_MAX);
            param = int32_t(negative ? -v : v);
        }
        if (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;  // the delimiter
        const bool first = firstInGroup_;
        firstInGroup_ = false;
        return controlWord(word, param, first);
    }

    bool controlSymbol(char c) {
        firstInGroup_ = false;
        switch (c) {
            case '\\': case '{': case '}': text(char16_t(c)); break;
            case '~': text(0x00A0); break;
            case '_': text(0x2011); break;
            case '-': break;  // optional hyphen
            case '*':
                if (!stack_.empty()) state().ignorable = true;
                firstInGroup_ = true;  // the destination word follows
                break;
            case '\'': {
                int v = 0;
                for (int i = 0; i < 2; ++i) {
                    if (pos_ >= data_.size()) return true;
                    const int h = HexValue(data_[pos_]);
                    if (h < 0) break;
                    v = v * 16 + h;
                    ++pos_;
                }
                if (skipPending_ > 0) {
                    --skipPending_;
                    break;
                }
                text(Cp1252ToUnicode(static_cast<unsigned char>(v)));
                break;
            }
            case '\r': case '\n': paragraph(); break;
            default: break;
        }
        return true;
    }

    static int HexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool controlWord(std::string_view w, std::optional<int32_t> param, bool first) {
        if (stack_.empty()) return true;
        GroupState& s = state();
        const int p = param.value_or(1);
        if (w == "bin") {
            // Binary data: skipped byte for byte, never past the end.
            const size_t n = size_t(std::max(p, 0));
            pos_ += std::min(n, data_.size() - pos_);
            return true;
        }
        if (first || s.ignorable) {
            if (w == "fonttbl") return setDest(Dest::FontTable);
            if (w == "colortbl") {
                colors_.clear();
                colorPending_ = QColor(0, 0, 0);
                colorSeen_ = false;
                return setDest(Dest::ColorTable);
            }
            if (IsSkippedDestination(w)) return setDest(Dest::Skip);
            if (s.ignorable && !IsKnownWord(w)) return setDest(Dest::Skip);
        }
        if (s.dest == Dest::Skip) return true;
        if (s.dest == Dest::ColorTable) {
            colorSeen_ = true;
            const int v = std::clamp(p, 0, 255);
            if (w == "red") colorPending_.setRed(v);
            else if (w == "green") colorPending_.setGreen(v);
            else if (w == "blue") colorPending_.setBlue(v);
            return true;
        }
        if (s.dest == Dest::FontTable) {
            if (w == "f") {
                finishFont();
                fontIndex_ = p;
                fontName_.clear();
            }
            return true;
        }
        if (w == "par" || w == "sect" || w == "page" || w == "row") paragraph();
        else if (w == "line") text(0x2028);
        else if (w == "tab" || w == "cell") text(u'\t');
        else if (w == "b") setChar(s.bold, p != 0);
        else if (w == "i") setChar(s.italic, p != 0);
        else if (w == "ul") setChar(s.underline, p != 0);
        else if (w == "ulnone") setChar(s.underline, false);
        else if (w == "fs") { flush(); s.halfPoints = std::clamp(param.value_or(24), 2, 3276); }
        else if (w == "f") { flush(); s.font = p; }
        else if (w == "cf") { flush(); s.color = std::max(p, 0); }
        else if (w == "plain") {
            flush();
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 24;
            s.font = -1;
            s.color = 0;
        } else if (w == "pard") s.align = Qt::AlignLeft;
        else if (w == "ql") s.align = Qt::AlignLeft;
        else if (w == "qr") s.align = Qt::AlignRight;
        else if (w == "qc") s.align = Qt::AlignHCenter;
        else if (w == "qj") s.align = Qt::AlignJustify;
        else if (w == "uc") s.unicodeSkip = std::clamp(p, 0, 16);
        else if (w == "u" && param) {
            int v = *param;
            if (v < 0) v += 65536;
            if (v > 0 && v < 65536) text(char16_t(v));
            skipPending_ = s.unicodeSkip;
            return true;
        } else if (w == "emdash") text(0x2014);
        else if (w == "endash") text(0x2013);
        else if (w == "bullet") text(0x2022);
        else if (w == "lquote") text(0x2018);
        else if (w == "rquote") text(0x2019);
        else if (w == "ldblquote") text(0x201C);
        else if (w == "rdblquote") text(0x201D);
        return true;
    }

    static bool IsKnownWord(std::string_view w) {
        return w == "fldrslt" || w == "ud" || w == "upr";
    }

    bool setDest(Dest d) {
        flush();
        state().dest = d;
        return true;
    }

    void setChar(bool& flag, bool on) {
        flush();
        flag = on;
    }

    // One character of text in the current destination.
    void text(char16_t ch) {
        if (stack_.empty()) return;
        if (skipPending_ > 0) {
            --skipPending_;
            return;
        }
        GroupState& s = state();
        switch (s.dest) {
            case Dest::Skip: return;
            case Dest::ColorTable:
                if (ch == u';') {
                    if (int(colors_.size()) < kMaxRtfTableEntries)
                        colors_.push_back(colorSeen_ ? std::optional<QColor>(colorPending_) : std::nullopt);
                    colorPending_ = QColor(0, 0, 0);
                    colorSeen_ = false;
                }
                return;
            case Dest::FontTable:
                if (ch == u';') finishFont();
                else if (fontName_.size() < 256) fontName_.append(QChar(ch));
                return;
            case Dest::Text:
                pending_.append(QChar(ch));
                pendingState_ = s;
                return;
        }
    }

    void finishFont() {
        if (fontIndex_ < 0) return;
        if (int(fonts_.size()) < kMaxRtfTableEntries) fonts_.push_back({fontIndex_, fontName_.trimmed()});
        fontIndex_ = -1;
        fontName_.clear();
    }

    QTextCharFormat formatOf(const GroupState& s) const {
        QTextCharFormat f;
        f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.italic);
        f.setFontUnderline(s.underline);
        f.setFontPointSize(s.halfPoints / 2.0);
        for (const Font& font : fonts_)
            if (font.index == s.font && !font.name.isEmpty()) {
                f.setFontFamilies({font.name});
                break;
            }
        if (s.color > 0 && s.color < int(colors_.size()) && colors_[size_t(s.color)].has_value())
            f.setForeground(*colors_[size_t(s.color)]);
        return f;
    }

    void flush() {
        if (pending_.isEmpty()) return;
        cursor_.insertText(pending_, formatOf(pendingState_));
        pending_.clear();
    }

    void applyAlignment() {
        QTextBlockFormat b = cursor_.blockFormat();
        b.setAlignment(stack_.empty() ? align_ : state().align);
        cursor_.setBlockFormat(b);
    }

    void paragraph() {
        if (stack_.empty() || state().dest != Dest::Text) return;
        if (skipPending_ > 0) skipPending_ = 0;
        flush();
        applyAlignment();
        cursor_.insertBlock();
    }

    std::string_view data_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    int groups_ = 0;
    bool firstInGroup_ = false;
    int skipPending_ = 0;
    std::string error_;
    QString pending_;
    GroupState pendingState_;
    Qt::Alignment align_ = Qt::AlignLeft;
    std::vector<Font> fonts_;
    int fontIndex_ = -1;
    QString fontName_;
    std::vector<std::optional<QColor>> colors_;
    QColor colorPending_;
    bool colorSeen_ = false;
};

}  // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return char16_t(byte);
}

RtfReadResult ReadRtf(std::string_view data, QTextDocument& document) {
    document.clear();
    return Reader(data, document).run();
}

}  // namespace vimbra
