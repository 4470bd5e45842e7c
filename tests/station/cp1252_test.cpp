#include "core/cp1252.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(Cp1252Test, EncodesGermanTextAndTheSpecialRange) {
    EXPECT_EQ(ToCp1252(QStringLiteral("Zapfsäule Größe Übung")),
              QByteArray("Zapfs\xE4" "ule Gr\xF6\xDF" "e \xDC" "bung"));
    EXPECT_EQ(ToCp1252(QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ")),
              QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94"
                         "\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"));
}

TEST(Cp1252Test, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    // A C1 control character, a Greek letter, a character beyond 16 bits.
    EXPECT_EQ(ToCp1252(QString::fromUtf8("a\xC2\x80" "bΩc\xF0\x9F\x98\x80" "d")),
              QByteArray("a?b?c?d"));
}

TEST(Cp1252Test, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = FromCp1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0xE4], QChar(0xE4));
    EXPECT_EQ(text[0x9F], QChar(0x178));
    EXPECT_EQ(text[0x81], QChar(0x81));
    EXPECT_EQ(ToCp1252(text), all);
}

}  // namespace
}  // namespace lumo
