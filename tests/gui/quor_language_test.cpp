// The interface language: Quor's own Chinese texts with a Chinese locale, its English
// translation with any other; the real program and the main window in-process.
#include "catalogmodel.h"
#include "catalogtree.h"
#include "commandids.h"
#include "finddlg.h"
#include "mainframe.h"
#include "messagebox.h"
#include "optiondlg.h"
#include "profile.h"
#include "propertiesdlg.h"
#include "chinesetext.h"
#include "quorapp.h"
#include "quorprocess.h"
#include "testenv.h"
#include "translation.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>

#include <filesystem>

namespace {

// Every text a user reads in the window's chrome or in a dialog: titles, menus, actions
// with their tips, labels and buttons. Not the catalog, which is data.
QStringList shownTexts(const QWidget& widget)
{
    QStringList texts{widget.windowTitle()};
    for (const QAction* action : widget.findChildren<QAction*>())
        texts << action->text() << action->toolTip() << action->statusTip();
    for (const QMenu* menu : widget.findChildren<QMenu*>())
        texts << menu->title();
    for (const QToolBar* bar : widget.findChildren<QToolBar*>())
        texts << bar->windowTitle();
    for (const QLabel* label : widget.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : widget.findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QGroupBox* group : widget.findChildren<QGroupBox*>())
        texts << group->title();
    return texts;
}

QStringList chineseAmong(const QStringList& texts)
{
    QStringList found;
    for (const QString& text : texts)
        if (HasChinese(text))
            found << text;
    return found;
}

class MainWindowLanguage : public ::testing::Test
{
protected:
    void open(const QLocale& locale)
    {
        translator = InstallTranslation(QStringLiteral("Quor"), QLocale::Chinese, locale,
                                        QStringLiteral(QUOR_QM_DIR));
        catalog = dir.file("lib.xml");
        ASSERT_TRUE(WriteFile(
            catalog,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" +
                dir.file("data") + "\"><DIR COMMENT=\"RECYCLE\"/></DIR>\r\n"));
        ASSERT_TRUE(app.InitInstance({QStringLiteral("Quor"), QString::fromStdString(catalog)}));
        frame = app.MainFrame();
        ASSERT_TRUE(WaitUntil(
            [&] { return frame->GetCatalogTree()->CatalogModel()->rowCount() > 0; }, 20000));
    }
    void TearDown() override
    {
        if (frame) {
            QueueMessageBoxAnswer(MsgResult::No);
            frame->close();
        }
        app.ExitInstance(0);
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    QStringList menuTitles() const
    {
        QStringList titles;
        for (const QAction* action : frame->menuBar()->actions())
            titles << action->text();
        return titles;
    }
    QStringList statusTexts() const
    {
        QStringList texts;
        for (const QLabel* label : frame->statusBar()->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }
    QString aboutText()
    {
        TakeAnsweredMessageBoxes();
        QueueMessageBoxAnswer(MsgResult::Ok);
        frame->OnCommand(ID_APP_ABOUT);
        return TakeAnsweredMessageBoxes().value(0);
    }
    QString catalogRootTitle() const
    {
        const CCatalogModel* model = frame->GetCatalogTree()->CatalogModel();
        return model->data(model->index(0, 0), Qt::DisplayRole).toString();
    }

    TestFolder dir;
    std::string catalog;
    QTranslator* translator = nullptr;
    CQuorApp app;
    CMainFrame* frame = nullptr;
};

} // namespace

TEST_F(MainWindowLanguage, AChineseLocaleShowsTheProgramsOwnTexts)
{
    open(QLocale(QLocale::Chinese, QLocale::China));
    EXPECT_EQ(translator, nullptr);
    EXPECT_EQ(menuTitles(), (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("编辑(&E)"),
                                         QStringLiteral("查看(&V)"), QStringLiteral("帮助(&H)")}));
    const QAction* catalogBar = frame->CommandAction(ID_VIEW_CATALOG);
    EXPECT_EQ(catalogBar->text(), QStringLiteral("目录树(&R)"));
    EXPECT_EQ(catalogBar->toolTip(), QStringLiteral("显示隐藏目录树"));
    EXPECT_EQ(frame->CommandAction(ID_EDIT_PASTE)->text(),
              QStringLiteral("从剪贴板建立文档(&P)\tCtrl+V"));
    EXPECT_EQ(statusTexts(), (QStringList{QStringLiteral("就绪"), QStringLiteral("大写"),
                                          QStringLiteral("数字"), QStringLiteral("滚动")}));
    EXPECT_TRUE(aboutText().contains(QStringLiteral("个人文章库")));
}

TEST_F(MainWindowLanguage, AnyOtherLocaleShowsTheEnglishTranslation)
{
    open(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(menuTitles(), (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"),
                                         QStringLiteral("&View"), QStringLiteral("&Help")}));
    const QAction* catalogBar = frame->CommandAction(ID_VIEW_CATALOG);
    EXPECT_EQ(catalogBar->text(), QStringLiteral("Catalog T&ree"));
    EXPECT_EQ(catalogBar->statusTip(), QStringLiteral("Show or hide the catalog tree"));
    EXPECT_EQ(catalogBar->toolTip(), QStringLiteral("Show or Hide Catalog Tree"));
    EXPECT_EQ(frame->CommandAction(ID_EDIT_PASTE)->text(),
              QStringLiteral("New from &Clipboard\tCtrl+V"));
    EXPECT_EQ(frame->CommandAction(ID_FILE_OPEN)->statusTip(),
              QStringLiteral("Open another catalog file"));
    EXPECT_EQ(statusTexts(), (QStringList{QStringLiteral("Ready"), QStringLiteral("CAP"),
                                          QStringLiteral("NUM"), QStringLiteral("SCRL")}));
    EXPECT_TRUE(aboutText().contains(QStringLiteral("personal article library")));
    EXPECT_EQ(chineseAmong(shownTexts(*frame)), QStringList());
    EXPECT_EQ(catalogRootTitle(), QStringLiteral("CATALOG")) << "the catalog's names are data";
}

TEST_F(MainWindowLanguage, TheDialogsAreInEnglishToo)
{
    open(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_NE(translator, nullptr);
    CFindDlg find(frame);
    EXPECT_EQ(find.windowTitle(), QStringLiteral("Find in Catalog"));
    EXPECT_EQ(chineseAmong(shownTexts(find)), QStringList());
    CProfile profile("QuorTest", "Options");
    COptionDlg options(profile, frame);
    EXPECT_EQ(chineseAmong(shownTexts(options)), QStringList());
    CPropertiesDlg properties(CatalogItemInfo{}, std::string(), std::string(), frame);
    EXPECT_EQ(properties.windowTitle(), QStringLiteral("Properties"));
    EXPECT_EQ(chineseAmong(shownTexts(properties)), QStringList());
}

// The real program: the message of a start that failed, which it also writes to its output.
TEST(QuorProgramLanguage, TheStartFailureIsToldInTheLocalesLanguage)
{
    const struct
    {
        const char* locale;
        const char* told;
        const char* notTold;
    } cases[] = {
        {"zh_CN.UTF-8", "无法打开文档。", "Cannot open the document."},
        {"en_US.UTF-8", "Cannot open the document.", "无法打开文档"},
        {"C.UTF-8", "Cannot open the document.", "无法打开文档"},
    };
    for (const auto& c : cases) {
        TestFolder cwd;
        std::filesystem::create_directories(cwd.file("QuorCatalog.xml")); // a folder in its place
        QuorProcess quor(cwd.path());
        quor.setLocale(QString::fromLatin1(c.locale));
        quor.start();
        QString said;
        ASSERT_TRUE(WaitUntil(
            [&] { return (said += quor.output()).contains(QStringLiteral("Is a directory")); },
            30000))
            << c.locale << ": " << said.toStdString();
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.told)))
            << c.locale << ": " << said.toStdString();
        EXPECT_FALSE(said.contains(QString::fromUtf8(c.notTold))) << c.locale;
    }
}
