// The editors' files: both encodings read and written back, and byte offsets mapped to
// the editor's characters.

#include "workbench/EditorFile.h"
#include "workbench/IjvmSkeleton.h"

#include <gtest/gtest.h>

using namespace tarveno;

TEST(EditorFile, DecodesBothEncodingsAndSavesThemBack) {
    // Windows-1252 with CR LF: "è" is one byte 0xE8.
    const std::string cp1252 = "// caff\xE8\r\nH = 1\r\n";
    EditorFile f = decodeFile(cp1252);
    EXPECT_EQ(f.encoding, TextEncoding::Windows1252);
    EXPECT_TRUE(f.crlf);
    EXPECT_EQ(f.text, "// caff\xC3\xA8\nH = 1\n");
    EXPECT_EQ(encodeFile(f.text, f), cp1252);

    // UTF-8 with line feeds, an empty last line kept; a last line without its end gets one.
    const std::string utf8 = "// caff\xC3\xA8\n\n";
    f = decodeFile(utf8);
    EXPECT_EQ(f.encoding, TextEncoding::Utf8);
    EXPECT_FALSE(f.crlf);
    EXPECT_EQ(f.text, utf8);
    EXPECT_EQ(encodeFile(f.text, f), utf8);
    EXPECT_EQ(encodeFile("H = 1", f), "H = 1\n");

    // A character Windows-1252 cannot hold turns the file into UTF-8 rather than lose it.
    f = decodeFile("x\xE8\n");
    const std::string withArrow = "x\xC3\xA8 \xE2\x86\x92";
    EXPECT_EQ(encodeFile(withArrow, f), withArrow + "\n");
    EXPECT_EQ(f.encoding, TextEncoding::Utf8);

    // A new, empty file stays empty; a lone CR ends a line too.
    EditorFile empty;
    EXPECT_EQ(encodeFile("", empty), "");
    EXPECT_EQ(decodeFile("a\rb").text, "a\nb");
}

TEST(EditorFile, ByteOffsetsLandOnTheEditorsCharacters) {
    // UTF-8: "è" is two bytes and one character, a character beyond 0xFFFF is four bytes
    // and two UTF-16 units, CR LF is one line break.
    const std::string text = "\xC3\xA8\xF0\x9F\x98\x80x\r\nH = 1\r\n";
    const EditorPositions p(text);
    EXPECT_EQ(p.at(0), 0);
    EXPECT_EQ(p.at(2), 1);   // the emoji
    EXPECT_EQ(p.at(6), 3);   // "x"
    EXPECT_EQ(p.at(7), 4);   // CR
    EXPECT_EQ(p.at(9), 5);   // "H" of the second line
    EXPECT_EQ(p.at(16), 11); // the end
    EXPECT_EQ(p.at(1000), 11);
    EXPECT_EQ(p.at(-1), 0);
    // The same with Windows-1252: one byte, one character.
    const EditorPositions q("caff\xE8\r\nH");
    EXPECT_EQ(q.at(7), 6);
    // decodeFile and the positions count the same characters.
    EXPECT_EQ(static_cast<size_t>(p.at(static_cast<int64_t>(text.size()))),
              std::u16string(u"è😀x\nH = 1\n").size());
}

TEST(IjvmSkeleton, TwentyThreeLinesInTheSystemsBytes) {
    ASSERT_EQ(ijvmSkeleton.size(), 23u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ijvmSkeleton[i].size(), 64u) << i;
    EXPECT_NE(ijvmSkeleton[1].find("codice \xE8 lo"), std::string_view::npos);
    EXPECT_EQ(ijvmSkeleton[4], ".constant");
    EXPECT_EQ(ijvmSkeleton[11], " // Inserire le variabili locali del meotodo.");
    EXPECT_EQ(ijvmSkeleton[22], ".end-main");
}
