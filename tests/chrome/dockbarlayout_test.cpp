// Titles shortened to a width and tab widths in the strip.
#include "dockbarlayout.h"

#include <gtest/gtest.h>

namespace {

// ASCII 7 pixels a character, anything else 14.
int fakeWidth(const QString& text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x80 ? 7 : 14;
    return width;
}

QString shorten(const QString& title, int width)
{
    return ShortenTitle(title, width, fakeWidth);
}

TEST(ShortenTitle, KeepsATitleThatFits)
{
    EXPECT_EQ(shorten(QStringLiteral("CATALOG"), 49), QStringLiteral("CATALOG"));
    EXPECT_EQ(shorten(QString(), 0), QString());
    EXPECT_EQ(shorten(QStringLiteral("中文"), 28), QStringLiteral("中文"));
}

TEST(ShortenTitle, DropsTwoBytesAStepAndOneMoreForTheDots)
{
    // 16 characters, 112 pixels: three steps bring it to 70, one more makes room for "...".
    EXPECT_EQ(shorten(QStringLiteral("Hello World Long"), 80), QStringLiteral("Hello Wo..."));
}

TEST(ShortenTitle, DropsOneWholeChineseCharacterAStep)
{
    // Nine characters of 14 pixels: four steps to fit 70, one more for the dots.
    EXPECT_EQ(shorten(QStringLiteral("中文标题很长的名字"), 70), QStringLiteral("中文标题..."));
    EXPECT_EQ(shorten(QStringLiteral("中文标题很长的名字"), 125),
              QStringLiteral("中文标题很长的..."));
}

TEST(ShortenTitle, NeverCutsACharacterInHalf)
{
    const QString titles[] = {QStringLiteral("x中文y"), QStringLiteral("a中b文c字d"),
                              QStringLiteral("ab😀cd😀"), QStringLiteral("中a"),
                              QStringLiteral("é中ü")};
    for (const QString& title : titles) {
        for (int width = 0; width <= fakeWidth(title); ++width) {
            const QString shown = shorten(title, width);
            if (shown == title) continue;
            ASSERT_TRUE(shown.endsWith(QStringLiteral("..."))) << shown.toStdString();
            const QString kept = shown.chopped(3);
            EXPECT_TRUE(title.startsWith(kept))
                << title.toStdString() << " -> " << shown.toStdString();
            EXPECT_FALSE(kept.contains(QChar(0xFFFD))) << shown.toStdString();
            EXPECT_FALSE(!kept.isEmpty() && kept.back().isHighSurrogate()) << shown.toStdString();
        }
    }
}

TEST(ShortenTitle, StopsAfterTenSteps)
{
    // Ten steps and the one for the dots take 22 of the 100 characters, wide or not.
    const QString title(100, QLatin1Char('w'));
    EXPECT_EQ(shorten(title, 10), QString(78, QLatin1Char('w')) + QStringLiteral("..."));
    const QString chinese(30, QChar(0x4E2D));
    EXPECT_EQ(shorten(chinese, 10), QString(19, QChar(0x4E2D)) + QStringLiteral("..."));
}

TEST(TabLayout, TabWidthIsTheTitlePlusRoomForTheIcon)
{
    EXPECT_EQ(TabWidth(40, false), 49);
    EXPECT_EQ(TabWidth(40, true), 67);
}

TEST(TabLayout, TabsKeepTheirWidthsWhileTheyFit)
{
    EXPECT_EQ(LayoutTabs({50, 60}, 200), (std::vector<int>{50, 60}));
    EXPECT_EQ(LayoutTabs({100, 100}, 200), (std::vector<int>{100, 100}));
    EXPECT_TRUE(LayoutTabs({}, 0).empty());
}

TEST(TabLayout, TabsShareANarrowStrip)
{
    // 80 each at most; a narrow tab keeps its own width.
    EXPECT_EQ(LayoutTabs({100, 30, 200}, 240), (std::vector<int>{80, 30, 80}));
    EXPECT_EQ(LayoutTabs({101, 100}, 200), (std::vector<int>{100, 100}));
    EXPECT_EQ(LayoutTabs({50, 60}, 7), (std::vector<int>{3, 3}));
    EXPECT_EQ(LayoutTabs({50, 60}, -5), (std::vector<int>{0, 0}));
}

} // namespace
