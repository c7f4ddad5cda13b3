// The Options and Windows dialogs, driven as a user would.
#include "appglobals.h"
#include "appsettings.h"
#include "editorwindowsdlg.h"
#include "messagebox.h"
#include "missiontable.h"
#include "optiondlg.h"
#include "profile.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstring>

namespace {

class Options : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_szFileTypes = DEFAULT_FILE_TYPES;
        SetDataFolder("/srv/library");
        TakeAnsweredMessageBoxes();
    }
    void TearDown() override { g_szFileTypes = DEFAULT_FILE_TYPES; }

    static QLineEdit* field(COptionDlg& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    CProfile profile{QUOR_REGISTRY_KEY, QUOR_APP_NAME};
};

} // namespace

TEST_F(Options, OpensWithTheSettingsAndTheStoredTypesWithBlanks)
{
    profile.WriteProfileString("QUORFILTER", "FILTER", "pdf@zip@");
    COptionDlg dialog(profile);
    EXPECT_EQ(field(dialog, "dataFolder")->text(), QStringLiteral("/srv/library"));
    EXPECT_EQ(field(dialog, "editor")->text(), QStringLiteral("Scrivel"));
    EXPECT_TRUE(field(dialog, "editor")->isReadOnly());
    EXPECT_EQ(field(dialog, "fileTypes")->text(), QStringLiteral("pdf zip "));

    profile.WriteProfileString("QUORFILTER", "FILTER", "x");
    g_szFileTypes = "chm ";
    COptionDlg oneByte(profile);
    EXPECT_EQ(field(oneByte, "fileTypes")->text(), QStringLiteral("chm ")) << "a one-character value is ignored";
}

TEST_F(Options, DefaultsRestoreTheTypesAndTheFolderTheDialogOpenedWith)
{
    COptionDlg dialog(profile);
    field(dialog, "dataFolder")->setText(QStringLiteral("/elsewhere"));
    field(dialog, "fileTypes")->setText(QStringLiteral("pdf"));
    dialog.findChild<QPushButton*>(QStringLiteral("defaults"))->click();
    EXPECT_EQ(field(dialog, "fileTypes")->text(), QString::fromLatin1(DEFAULT_FILE_TYPES));
    EXPECT_EQ(field(dialog, "dataFolder")->text(), QStringLiteral("/srv/library"));
}

TEST_F(Options, OkStoresTheTypesWithAtSignsAndCancelChangesNothing)
{
    {
        COptionDlg dialog(profile);
        field(dialog, "dataFolder")->setText(QStringLiteral("/home/u/\u8D44\u6599"));
        field(dialog, "fileTypes")->setText(QStringLiteral("pdf @zip "));
        dialog.reject();
    }
    EXPECT_EQ(g_szDataFolder.str(), "/srv/library");
    EXPECT_EQ(profile.GetProfileString("QUORFILTER", "FILTER", "none"), "none");

    COptionDlg dialog(profile);
    field(dialog, "dataFolder")->setText(QStringLiteral("/home/u/\u8D44\u6599"));
    field(dialog, "fileTypes")->setText(QStringLiteral("pdf @zip "));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(g_szDataFolder.str(), "/home/u/\xE8\xB5\x84\xE6\x96\x99");
    EXPECT_EQ(g_szFileTypes.str(), "pdf @zip ");
    EXPECT_EQ(profile.GetProfileString("QUORFILTER", "FILTER"), "pdf@@zip@");
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), "pdf  zip ") << "an '@' typed comes back as a blank";
}

TEST_F(Options, ValuesThatDoNotFitAreRefusedNamingTheLimit)
{
    // 150 Chinese characters are 300 bytes in the stored code page: one too many.
    const QString longFolder = QStringLiteral("/") + QString(149, QChar(0x8D44)) + QStringLiteral("a");
    for (const auto& [folder, types, limit] :
         {std::tuple{longFolder, QStringLiteral("pdf"), QStringLiteral("299")},
          std::tuple{QStringLiteral("/ok"), QString(512, QLatin1Char('x')), QStringLiteral("511")},
          std::tuple{QStringLiteral("relative/folder"), QStringLiteral("pdf"), QStringLiteral("/")},
          std::tuple{QString(), QStringLiteral("pdf"), QStringLiteral("/")}}) {
        COptionDlg dialog(profile);
        field(dialog, "dataFolder")->setText(folder);
        field(dialog, "fileTypes")->setText(types);
        QueueMessageBoxAnswer(MsgResult::Ok);
        dialog.accept();
        const QStringList boxes = TakeAnsweredMessageBoxes();
        ASSERT_EQ(boxes.size(), 1) << folder.toStdString();
        EXPECT_TRUE(boxes[0].contains(limit)) << boxes[0].toStdString();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(g_szDataFolder.str(), "/srv/library");
        EXPECT_EQ(g_szFileTypes.str(), DEFAULT_FILE_TYPES);
    }
    // Exactly at the limit is taken.
    COptionDlg dialog(profile);
    field(dialog, "dataFolder")->setText(QStringLiteral("/") + QString(149, QChar(0x8D44)));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Cp936Length(g_szDataFolder.str()), 299u);
}

namespace {

EditMission mission(const std::string& title, std::uint32_t window)
{
    return EditMission{MISSION_EDITING, window, 0, "07031514223304" + title.substr(0, 1), title + ".html", "/d/" + title + ".html",
                       "x_files", title};
}

} // namespace

TEST(EditorWindows, ListsBusySlotsInSlotOrderAndNamesTheChosenWindow)
{
    CMissionTable library;
    ASSERT_EQ(library.Init(QUOR_SHARE_DATA, 100, WM_EDITOR_NOTIFY, true), 1);
    {
        CEditorWindowsDlg empty(library);
        EXPECT_EQ(empty.findChild<QListWidget*>()->count(), 0);
        empty.accept();
        EXPECT_EQ(empty.SelectedWindow(), 0u);
    }
    // Written by "editors" into the shared table; the dialog reads it afresh.
    CMissionTable peer;
    peer.Init(QUOR_SHARE_DATA, 0, 0, false);
    peer.Read();
    peer.SetSlot(30, mission("zeta", 3030));
    peer.SetSlot(2, mission("\xE6\x96\x87\xE7\xAB\xA0", 202)); // 文章
    peer.SetSlot(7, mission("alpha", 707));
    EditMission saved = mission("beta", 909);
    saved.state = MISSION_SAVED;
    peer.SetSlot(9, saved);
    ASSERT_EQ(peer.Write(), 1);

    CEditorWindowsDlg dialog(library);
    auto* list = dialog.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("\u6587\u7AE0: \u6587\u7AE0.html"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("alpha: alpha.html"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("beta: beta.html"));
    EXPECT_EQ(list->item(3)->text(), QStringLiteral("zeta: zeta.html"));
    list->setCurrentRow(2);
    dialog.accept();
    EXPECT_EQ(dialog.SelectedWindow(), 909u);
    EXPECT_EQ(dialog.SelectedSlot(), 9);
}

TEST(EditorWindows, ATitleWithoutItsNulIsReadToTheFieldsEnd)
{
    CMissionTable library;
    ASSERT_EQ(library.Init(QUOR_SHARE_DATA, 100, WM_EDITOR_NOTIFY, true), 1);
    std::array<unsigned char, CMissionTable::kTableSize> bytes = library.Bytes();
    unsigned char* slot = bytes.data() + 3 * EditMission::kSize;
    slot[0] = 2;
    std::memset(slot + 16, 'A', EditMission::kSize - 16); // every text field full, no NUL
    std::memset(bytes.data() + 4 * EditMission::kSize, 'B', EditMission::kSize); // state 'BBBB'
    ASSERT_TRUE(WriteFile(CSharedMemory::PathFor(QUOR_SHARE_DATA),
                          std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    CEditorWindowsDlg dialog(library);
    auto* list = dialog.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QString(1324, QLatin1Char('A')) + QStringLiteral(": ") + QString(64, QLatin1Char('A')));
    EXPECT_EQ(list->item(1)->text().size(), 1324 + 2 + 64);
}
