#include "media/rtf_reader.h"

#include <cstdio>
#include <string>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

#include "filters/text_marks.h"

namespace vimbra {
namespace {

class RtfReader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FontEngineReady()); }

    QString read(const std::string& rtf, bool expectOk = true) {
        result_ = ReadRtf(rtf, doc_);
        EXPECT_EQ(result_.ok, expectOk) << result_.message;
        return doc_.toPlainText();
    }
    // The character format of the fragment holding `text`.
    QTextCharFormat formatOf(const QString& text) {
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().text().contains(text)) return it.fragment().charFormat();
        ADD_FAILURE() << "no fragment with " << text.toStdString();
        return {};
    }

    QTextDocument doc_;
    RtfReadResult result_;
};

TEST_F(RtfReader, ParagraphsLinesTabsAndEscapes) {
    EXPECT_EQ(read(R"({\rtf1\ansi one\par two\line three\tab four\par five})"),
              QStringLiteral("one\ntwo\nthree\tfour\nfive"));
    // The break inside a paragraph is a line separator, not a new paragraph.
    EXPECT_EQ(doc_.blockCount(), 3);
    EXPECT_TRUE(doc_.toRawText().contains(QChar(0x2028)));
    // \'e9 is é in code page 1252, \'80 the euro sign; \u8212 with its ? fallback skipped.
    EXPECT_EQ(read(R"({\rtf1 Caf\'e9 \'80 a\u8212?b \u-3913?c})"),
              QString::fromUtf16(u"Caf\u00e9 \u20ac a\u2014b \uf0b7c"));
    // \uc2 skips two fallback characters, a hex escape counting as one.
    EXPECT_EQ(read(R"({\rtf1\uc2 x\u8364\'80\'80y})"), QString::fromUtf16(u"x\u20acy"));
    EXPECT_EQ(read(R"({\rtf1 \{braces\} \\ back\~nb\-hy})"), QStringLiteral("{braces} \\ back nbhy"));
    EXPECT_TRUE(doc_.toRawText().contains(QChar(0x00A0)));
}

TEST_F(RtfReader, SkipsTablesAndUnknownDestinations) {
    const std::string rtf =
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fmodern Courier New;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"({\stylesheet{\s0 Normal;}}{\info{\author Nobody}{\title Secret}})"
        R"({\*\generator Writer 1.0;}{\*\unknownthing hidden}{\pict\pngblip 89504e47}visible)"
        R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}\par})";
    EXPECT_EQ(read(rtf), QStringLiteral("visiblelink\n"));
}

TEST_F(RtfReader, CharacterFormatsFontsAndColours) {
    read(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}{\colortbl;\red255\green0\blue0;\red0\green128\blue255;})"
         R"(\f0\fs24 plain {\b bold} {\i ital} {\ul under\ulnone  nou} {\f1\fs40 big} {\cf2 blue}\cf1 red\plain  back})");
    EXPECT_EQ(formatOf(QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    EXPECT_EQ(formatOf(QStringLiteral("plain")).fontWeight(), int(QFont::Normal));
    EXPECT_TRUE(formatOf(QStringLiteral("ital")).fontItalic());
    EXPECT_TRUE(formatOf(QStringLiteral("under")).fontUnderline());
    EXPECT_FALSE(formatOf(QStringLiteral("nou")).fontUnderline());
    EXPECT_EQ(formatOf(QStringLiteral("big")).fontPointSize(), 20.0);
    EXPECT_EQ(formatOf(QStringLiteral("big")).fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
    EXPECT_EQ(formatOf(QStringLiteral("plain")).fontPointSize(), 12.0);
    EXPECT_EQ(formatOf(QStringLiteral("blue")).foreground().color(), QColor(0, 128, 255));
    EXPECT_EQ(formatOf(QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(formatOf(QStringLiteral("back")).hasProperty(QTextFormat::ForegroundBrush));
    // Indices past the table keep the automatic colour.
    read(R"({\rtf1{\colortbl;\red1\green2\blue3;}\cf7 far})");
    EXPECT_FALSE(formatOf(QStringLiteral("far")).hasProperty(QTextFormat::ForegroundBrush));
}

TEST_F(RtfReader, ParagraphAlignment) {
    read(R"({\rtf1\pard\qc centre\par\pard\qr right\par\pard\qj just\par\pard left})");
    QTextBlock b = doc_.begin();
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    b = b.next();
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    b = b.next();
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    b = b.next();
    EXPECT_EQ(b.text(), QStringLiteral("left"));
    EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST_F(RtfReader, MalformedInputGivesAClearMessage) {
    read("plain text, no header", false);
    EXPECT_EQ(result_.message, "Bad RTF file: no RTF header.");
    EXPECT_TRUE(doc_.isEmpty());
    read(std::string("{\\rtf1 ") + std::string(300, '{') + "deep", false);
    EXPECT_EQ(result_.message, "Bad RTF file: groups nested too deeply.");
    EXPECT_TRUE(doc_.isEmpty());
    read("{\\rtf1 \\" + std::string(40, 'a') + " x}", false);
    EXPECT_EQ(result_.message, "Bad RTF file: control word too long.");
    read("{\\rtf1 \\fs123456789012 x}", false);
    EXPECT_EQ(result_.message, "Bad RTF file: number too long.");
    // Many sibling groups: each one counts.
    std::string many = "{\\rtf1 ";
    for (int i = 0; i <= kMaxRtfGroups; ++i) many += "{}";
    read(many, false);
    EXPECT_EQ(result_.message, "Bad RTF file: too many groups.");
}

TEST_F(RtfReader, TruncatedInputKeepsWhatWasRead) {
    EXPECT_EQ(read(R"({\rtf1 start {\b half)"), QStringLiteral("start half"));
    EXPECT_EQ(read(R"({\rtf1 a\'4)"), QStringLiteral("a"));
    // \bin skips its bytes, also when they run past the end.
    EXPECT_EQ(read("{\\rtf1 x{\\bin4 }}}}y}"), QStringLiteral("xy"));
    EXPECT_EQ(read("{\\rtf1 x\\bin999999 abc"), QStringLiteral("x"));
}

TEST(Cp1252, HighBlockAndLatin1) {
    EXPECT_EQ(Cp1252ToUnicode(0x41), u'A');
    EXPECT_EQ(Cp1252ToUnicode(0x80), u'\u20ac');
    EXPECT_EQ(Cp1252ToUnicode(0x93), u'\u201c');
    EXPECT_EQ(Cp1252ToUnicode(0x81), u'\u0081');
    EXPECT_EQ(Cp1252ToUnicode(0x9F), u'\u0178');
    EXPECT_EQ(Cp1252ToUnicode(0xE9), u'\u00e9');
}

// The text content agrees with unrtf's plain-text output on documents of the
// kind text pages hold (whitespace compared as single blanks; unrtf writes
// Latin-1).
TEST(RtfReaderOracle, SameTextAsUnrtf) {
    ASSERT_TRUE(FontEngineReady());
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
    const char* docs[] = {
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman Times New Roman;}}\f0\fs24 Hello world.\par Second paragraph.\par})",
        R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1 Courier;}}{\colortbl;\red255\green0\blue0;}\pard\qc\b Title\b0\par)"
        R"(\pard Body with {\i italic} and {\cf1 red} words.\par})",
        R"({\rtf1\ansi{\info{\title T}{\author A}}{\stylesheet{\s1 Heading;}}Caf\'e9 cr\'e8me \'e0 la mode.\par})",
        R"({\rtf1\ansi{\*\generator Gen;}Before{\*\bkmkstart b}after\line next\par})",
        R"({\rtf1\ansi Line one\par\par Line three {\ul under} \{x\}\par})",
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const char* rtf : docs) {
        const QString path = dir.filePath(QStringLiteral("d%1.rtf").arg(n++));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(rtf);
        f.close();
        QProcess p;
        p.start(unrtf, {QStringLiteral("--text"), path});
        ASSERT_TRUE(p.waitForFinished(10000));
        QString expected = QString::fromLatin1(p.readAllStandardOutput());
        // unrtf heads its output with comment lines and a rule.
        const qsizetype rule = expected.indexOf(QStringLiteral("-----------------\n"));
        if (rule >= 0) expected = expected.mid(rule + 18);
        // and notes what it skipped in lines of its own.
        expected.remove(QRegularExpression(QStringLiteral("^###[^\n]*\n"), QRegularExpression::MultilineOption));
        QTextDocument doc;
        ASSERT_TRUE(ReadRtf(rtf, doc).ok);
        const QRegularExpression space(QStringLiteral("\\s+"));
        EXPECT_EQ(doc.toPlainText().replace(space, QStringLiteral(" ")).trimmed(),
                  expected.replace(space, QStringLiteral(" ")).trimmed())
            << rtf;
    }
}

}  // namespace
}  // namespace vimbra
