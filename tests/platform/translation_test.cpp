// Which translation a program takes in which locale.
#include "translation.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

QString nameFor(const char* program, QLocale::Language source, const char* locale)
{
    return TranslationName(QString::fromLatin1(program), source,
                           QLocale(QString::fromLatin1(locale)));
}

} // namespace

TEST(Translation, AChineseProgramKeepsItsOwnTextsInEveryChineseLocale)
{
    for (const char* locale : {"zh_CN", "zh_TW", "zh_HK", "zh_SG"})
        EXPECT_TRUE(nameFor("Quor", QLocale::Chinese, locale).isEmpty()) << locale;
}

TEST(Translation, AChineseProgramIsInEnglishInEveryOtherLocale)
{
    for (const char* locale : {"en_US", "en_GB", "de_DE", "ja_JP", "C"})
        EXPECT_EQ(nameFor("Quor", QLocale::Chinese, locale), QStringLiteral("quor_en")) << locale;
    EXPECT_EQ(nameFor("Tolvane", QLocale::Chinese, "fr_FR"), QStringLiteral("tolvane_en"));
}

TEST(Translation, AnEnglishProgramTakesOnlyAChineseTranslation)
{
    EXPECT_EQ(nameFor("Scrivel", QLocale::English, "zh_CN"), QStringLiteral("scrivel_zh"));
    for (const char* locale : {"en_US", "de_DE", "C"})
        EXPECT_TRUE(nameFor("Scrivel", QLocale::English, locale).isEmpty()) << locale;
}

TEST(Translation, NothingIsInstalledWhenNoneIsNeededOrTheFileIsMissing)
{
    const QString probe = QStringLiteral("文件(&F)");
    EXPECT_EQ(InstallTranslation(QStringLiteral("Quor"), QLocale::Chinese,
                                 QLocale(QStringLiteral("zh_CN"))),
              nullptr);
    EXPECT_EQ(InstallTranslation(QStringLiteral("Quor"), QLocale::Chinese,
                                 QLocale(QStringLiteral("en_US")), QStringLiteral("/nonexistent")),
              nullptr);
    // The test program embeds no translation either.
    EXPECT_EQ(InstallTranslation(QStringLiteral("Quor"), QLocale::Chinese,
                                 QLocale(QStringLiteral("en_US"))),
              nullptr);
    EXPECT_EQ(QCoreApplication::translate("CMainFrame", "文件(&F)"), probe);
}
