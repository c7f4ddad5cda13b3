#include "commandicons.h"
#include "commandids.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>

#include <filesystem>
#include <vector>

namespace {

// The main window's tool bar, in its order.
const std::vector<int> kToolBarCommands = {ID_FILE_SAVE,      ID_ARTICLE_NEW, ID_FOLDER_NEW,   ID_EDIT_PASTE,
                                           ID_ARTICLE_EDIT,   ID_ARTICLE_IMPORT, ID_FIND,       ID_FIND_NEXT,
                                           ID_VIEW_CATALOG,   ID_EDITOR_WINDOWS, ID_APP_ABOUT};
// Menu commands with a glyph of ours besides the tool bar's.
const std::vector<int> kMenuCommands = {ID_CATALOG_SAVE, ID_FILE_SAVE_AS, ID_FILE_OPEN,   ID_CATALOG_LOAD,
                                        ID_FILE_PRINT,   ID_ITEM_DELETE,  ID_VIEW_REFRESH};

QImage render(const QIcon& icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

// Icon themes come from a folder of the test's own: none, or one that has a few icons.
class CommandIconsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedPaths = QIcon::themeSearchPaths();
        m_savedTheme = QIcon::themeName();
        QIcon::setThemeSearchPaths({QString::fromStdString(m_themes.path())});
        QIcon::setThemeName(QStringLiteral("absent"));
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(m_savedPaths);
        QIcon::setThemeName(m_savedTheme);
    }

    // A theme with 16-pixel icons of the given names, each a plain square.
    void useTheme(const QString& theme, const QStringList& names)
    {
        const QString dir = QString::fromStdString(m_themes.path()) + QLatin1Char('/') + theme;
        ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/16x16/actions")));
        QFile index(dir + QStringLiteral("/index.theme"));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Test\nComment=Test\nDirectories=16x16/actions\n\n"
                    "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
        index.close();
        QImage square(16, 16, QImage::Format_ARGB32);
        square.fill(Qt::red);
        for (const QString& name : names)
            ASSERT_TRUE(square.save(dir + QStringLiteral("/16x16/actions/") + name + QStringLiteral(".png")));
        QIcon::setThemeName(theme);
    }

private:
    TestFolder m_themes;
    QStringList m_savedPaths;
    QString m_savedTheme;
};

TEST_F(CommandIconsTest, WithoutAThemeOurGlyphsShowAndDifferWhereTheCommandsDo)
{
    std::vector<QImage> seen;
    for (int id : kToolBarCommands) {
        const QIcon icon = CommandIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        for (int size : {16, 24}) {
            const QImage image = render(icon, size);
            ASSERT_EQ(image.size(), QSize(size, size)) << id;
            EXPECT_GT(paintedPixels(image), size * size / 5) << id << " at " << size << " px is nearly blank";
        }
        const QImage small = render(icon, 16);
        for (std::size_t i = 0; i < seen.size(); ++i)
            EXPECT_NE(small, seen[i]) << id << " looks like tool bar button " << kToolBarCommands[i];
        seen.push_back(small);
    }
    for (int id : kMenuCommands)
        EXPECT_GT(paintedPixels(render(CommandIcon(id), 16)), 16 * 16 / 5) << id;
    // The catalog's own save and load show as the file commands do; save as does not.
    EXPECT_EQ(render(CommandIcon(ID_CATALOG_SAVE), 16), render(CommandIcon(ID_FILE_SAVE), 16));
    EXPECT_EQ(render(CommandIcon(ID_CATALOG_LOAD), 16), render(CommandIcon(ID_FILE_OPEN), 16));
    EXPECT_NE(render(CommandIcon(ID_FILE_SAVE_AS), 16), render(CommandIcon(ID_FILE_SAVE), 16));

    EXPECT_TRUE(CommandIcon(ID_APP_EXIT).isNull()) << "theme only";
    EXPECT_TRUE(CommandIcon(ID_VIEW_STATUS_BAR).isNull());
    EXPECT_TRUE(CommandIcon(0).isNull());
}

TEST_F(CommandIconsTest, TheThemeWinsByExactNameInOrderAndOurGlyphFillsTheGaps)
{
    useTheme(QStringLiteral("partial"), {QStringLiteral("edit-find"), QStringLiteral("go-down-search"),
                                         QStringLiteral("accessories-text-editor"), QStringLiteral("go-next")});
    EXPECT_EQ(CommandIcon(ID_FIND).name(), QStringLiteral("edit-find"));
    EXPECT_EQ(CommandIcon(ID_FIND_NEXT).name(), QStringLiteral("go-down-search"));
    EXPECT_EQ(CommandIcon(ID_ARTICLE_EDIT).name(), QStringLiteral("accessories-text-editor"));
    EXPECT_EQ(render(CommandIcon(ID_FIND), 16).pixel(8, 8), QColor(Qt::red).rgba());
    const QIcon save = CommandIcon(ID_FILE_SAVE);
    EXPECT_TRUE(save.name().isEmpty());
    EXPECT_EQ(render(save, 16), render(QIcon(QStringLiteral(":/quor/icons/document-save.svg")), 16));

    useTheme(QStringLiteral("full"), {QStringLiteral("document-edit"), QStringLiteral("accessories-text-editor"),
                                      QStringLiteral("go-down-search"), QStringLiteral("edit-find-next")});
    EXPECT_EQ(CommandIcon(ID_ARTICLE_EDIT).name(), QStringLiteral("document-edit"));
    EXPECT_EQ(CommandIcon(ID_FIND_NEXT).name(), QStringLiteral("edit-find-next"));

    // The theme lookup cuts a missing name back at its dashes; those shorter names do not
    // count, or find next would show the find icon and save as the save icon.
    useTheme(QStringLiteral("short"), {QStringLiteral("go-down"), QStringLiteral("edit-find"),
                                       QStringLiteral("document-save"), QStringLiteral("view-list")});
    const QIcon findNext = CommandIcon(ID_FIND_NEXT);
    EXPECT_TRUE(findNext.name().isEmpty());
    EXPECT_EQ(render(findNext, 16), render(QIcon(QStringLiteral(":/quor/icons/edit-find-next.svg")), 16));
    EXPECT_TRUE(CommandIcon(ID_FILE_SAVE_AS).name().isEmpty());
    EXPECT_TRUE(CommandIcon(ID_VIEW_CATALOG).name().isEmpty());
}

TEST(CommandGlyphs, EveryDrawnGlyphIsInTheResourcesAndRenders)
{
    int glyphs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUOR_ICON_SOURCE_DIR)) {
        const QString name = QString::fromStdString(entry.path().filename().string());
        const QString resource = QStringLiteral(":/quor/icons/") + name;
        ASSERT_TRUE(QFile::exists(resource)) << name.toStdString() << " is missing from quor.qrc";
        EXPECT_GT(paintedPixels(render(QIcon(resource), 24)), 24 * 24 / 5) << name.toStdString();
        ++glyphs;
    }
    EXPECT_EQ(glyphs, QDir(QStringLiteral(":/quor/icons")).entryList().size());
}

} // namespace
