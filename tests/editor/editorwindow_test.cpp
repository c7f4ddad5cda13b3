// The editor's window in this process, under an X server; the test plays the library.
#include "articlescheme.h"
#include "editorwindow.h"
#include "messagebox.h"
#include "missiontable.h"
#include "testenv.h"
#include "windowmessagelistener.h"

#include "waituntil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextCursor>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <filesystem>
#include <functional>
#include <tuple>
#include <vector>

namespace {

// The scheme must be known before the application object is made.
[[maybe_unused]] const bool kSchemeRegistered = [] {
    CArticleScheme::RegisterScheme();
    return true;
}();

constexpr std::uint32_t kLibrary = 0x7200001;
constexpr int kSlot = 3;
using Message = std::tuple<quint32, quint32, qint32>;

bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    return WaitUntil(done, ms);
}

bool isStoredBytes(const std::string& s)
{
    for (char c : s)
        if (c == '\0' || static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

const std::string kGbkHead = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                             "<title>T</title><style>p{font-family:\"\xCB\xCE\xCC\xE5\"}</style></head>"
                             "<body bgcolor=white>";

class EditorWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.Listen(kLibrary)) << m_library.ErrorText();
        QObject::connect(&m_library, &CWindowMessageListener::messagePosted,
                         [this](quint32 message, quint32 wParam, qint32 lParam) {
                             m_messages.emplace_back(message, wParam, lParam);
                         });
        std::filesystem::create_directories(m_folder.file("day"));
        m_path = m_folder.file("day/A1.html");
        TakeAnsweredMessageBoxes();
    }

    std::unique_ptr<CEditorWindow> open(const std::string& bytes)
    {
        EXPECT_TRUE(WriteFile(m_path, bytes));
        ArticleTarget target;
        target.slot = kSlot;
        target.id = "A1";
        target.path = m_path;
        target.attachDir = "A1_files";
        target.title = "标题";
        target.libraryWindow = kLibrary;
        target.message = WM_EDITOR_NOTIFY;
        auto window = std::make_unique<CEditorWindow>(target);
        std::string error;
        EXPECT_TRUE(window->Open(error)) << error;
        window->show();
        EXPECT_TRUE(waitUntil([&] { return window->IsLoaded(); }));
        return window;
    }

    static QVariant eval(CEditorWindow& window, const QString& script)
    {
        QVariant result;
        bool done = false;
        window.Page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; })) << script.toStdString();
        return result;
    }

    static std::string bodyHtml(CEditorWindow& window)
    {
        return eval(window, QStringLiteral("document.body.innerHTML")).toString().toStdString();
    }

    // Types at the end of the body, as a person would.
    static void type(CEditorWindow& window, const QString& text)
    {
        window.Exec(QStringLiteral("insertText"), text);
        EXPECT_TRUE(waitUntil([&] { return window.isWindowModified(); }));
    }

    static bool save(CEditorWindow& window)
    {
        bool done = false, ok = false;
        window.Save([&](bool saved) {
            done = true;
            ok = saved;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        return ok;
    }

    TestFolder m_folder;
    std::string m_path;
    CWindowMessageListener m_library;
    std::vector<Message> m_messages;
};

} // namespace

TEST_F(EditorWindow, SavesTheStoredFormAndTellsTheLibrary)
{
    auto window = open(kGbkHead + "\r\n<p>\xD6\xD0\xCE\xC4 &amp; more</p>\r\n</body></html>\r\n");
    EXPECT_TRUE(eval(*window, QStringLiteral("document.body.isContentEditable")).toBool());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("标题[*] - Scrivel"));
    EXPECT_FALSE(window->isWindowModified());
    type(*window, QStringLiteral("新"));

    ASSERT_TRUE(save(*window));
    const std::string saved = ReadFile(m_path);
    EXPECT_TRUE(isStoredBytes(saved)) << saved;
    EXPECT_EQ(saved.rfind("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                          "<title>T</title><style>p{font-family:\"\\5B8B \\4F53 \"}</style></head><body bgcolor=white>",
                          0),
              0u)
        << saved;
    EXPECT_NE(saved.find("&#20013;&#25991; &amp; more"), std::string::npos) << saved;
    EXPECT_NE(saved.find("&#26032;"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("contenteditable"), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 16), "</body></html>\r\n");
    EXPECT_FALSE(window->isWindowModified());
    ASSERT_TRUE(waitUntil([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages, (std::vector<Message>{{WM_EDITOR_NOTIFY, EDITOR_SAVED, kSlot}}));
}

TEST_F(EditorWindow, ReadsEveryCharsetWithItsCharactersIntactAndRunsNoPageScript)
{
    const std::pair<std::string, QString> pages[] = {
        {"<p>中文 ok</p>", QStringLiteral("中文 ok")},
        {kGbkHead + "<p>\xD6\xD0\xCE\xC4</p>", QStringLiteral("中文")},
        {"<html><body><p>\xD6\xD0\xCE\xC4</p>", QStringLiteral("中文")},
        {"<meta charset=big5><p>\xA4\xA4\xA4\xE5</p>", QStringLiteral("中文")},
        {"<meta charset=\"utf-8\"><p>&#20013;&#25991;</p>", QStringLiteral("中文")},
        {"<p id=p>kept</p><script>document.getElementById('p').textContent = 'ran'</script>", QStringLiteral("kept")},
    };
    for (const auto& [bytes, text] : pages) {
        auto window = open(bytes);
        EXPECT_EQ(eval(*window, QStringLiteral("document.querySelector('p').textContent")).toString(), text)
            << bytes;
    }
}

TEST_F(EditorWindow, ServesLargePagesAndOnlyFilesInsideTheArticlesFolder)
{
    std::filesystem::create_directories(m_folder.file("day/A1_files"));
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(m_folder.file("day/A1_files/pic.png"))));
    ASSERT_TRUE(picture.save(QString::fromStdString(m_folder.file("secret.png"))));
    std::filesystem::create_symlink(m_folder.file("secret.png"), m_folder.file("day/A1_files/link.png"));

    const std::string filler(3 << 20, 'x'); // beyond what a page given as a string may be
    auto window = open("<body><img id=in src=\"A1_files/pic.png\"><img id=out src=\"../secret.png\">"
                       "<img id=link src=\"A1_files/link.png\"><p>" + filler + "</p>中</body>");
    EXPECT_EQ(eval(*window, QStringLiteral("document.body.textContent.length")).toInt(), int(filler.size()) + 1);
    const auto width = [&](const char* id) {
        return eval(*window, QStringLiteral("document.getElementById('%1').naturalWidth").arg(QLatin1String(id))).toInt();
    };
    EXPECT_TRUE(waitUntil([&] { return width("in") == 30; }));
    EXPECT_EQ(width("out"), 0);
    EXPECT_EQ(width("link"), 0);

    CArticleScheme scheme(m_folder.file("day"), "A1.html");
    EXPECT_EQ(scheme.LocalPath(QStringLiteral("/A1_files/pic.png")), std::filesystem::canonical(m_folder.file("day/A1_files/pic.png")).string());
    for (const char* path : {"/../secret.png", "/A1_files/../../secret.png", "/A1_files/link.png", "/", "/A1_files",
                             "/nothing.png"})
        EXPECT_EQ(scheme.LocalPath(QLatin1String(path)), "") << path;
}

TEST_F(EditorWindow, PicturesLandInTheAttachmentFolderWithARelativeLink)
{
    auto window = open(kGbkHead + "<p>Picture: </p></body></html>");
    TestFolder elsewhere;
    QImage picture(40, 24, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(elsewhere.file("Red Dot.PNG"))));

    ASSERT_TRUE(window->InsertPicture(QString::fromStdString(elsewhere.file("Red Dot.PNG"))));
    EXPECT_TRUE(Exists(m_folder.file("day/A1_files/Red_Dot.png")));
    ASSERT_TRUE(waitUntil([&] { return bodyHtml(*window).find("src=\"A1_files/Red_Dot.png\"") != std::string::npos; }))
        << bodyHtml(*window);
    EXPECT_TRUE(waitUntil([&] { return window->isWindowModified(); }));
    ASSERT_TRUE(save(*window));
    EXPECT_NE(ReadFile(m_path).find("<img src=\"A1_files/Red_Dot.png\">"), std::string::npos) << ReadFile(m_path);

    // A picture of the editor for people to look at.
    waitUntil([] { return false; }, 1500);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 QStringLiteral(SCRIVEL_SCREENSHOT)});
}

TEST_F(EditorWindow, ACloseRequestAsksAboutUnsavedChanges)
{
    auto window = open("<body><p>text</p></body>");
    type(*window, QStringLiteral("more"));

    // Messages of another number or command are not for the editor.
    window->OnWindowMessage(WM_EDITOR_NOTIFY + 1, EDITOR_CLOSE_REQUEST, 0);
    window->OnWindowMessage(WM_EDITOR_NOTIFY, 9, 0);
    QueueMessageBoxAnswer(MsgResult::Cancel);
    window->OnWindowMessage(WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0);
    ASSERT_TRUE(waitUntil([] { return !TakeAnsweredMessageBoxes().isEmpty(); }));
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(m_messages.empty());

    QueueMessageBoxAnswer(MsgResult::Yes);
    window->OnWindowMessage(WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0);
    ASSERT_TRUE(waitUntil([&] { return m_messages.size() == 2; }));
    EXPECT_EQ(m_messages, (std::vector<Message>{{WM_EDITOR_NOTIFY, EDITOR_SAVED, kSlot},
                                                {WM_EDITOR_NOTIFY, EDITOR_CLOSED, kSlot}}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(ReadFile(m_path).find("textmore"), std::string::npos) << ReadFile(m_path);
}

TEST_F(EditorWindow, DiscardedChangesLeaveTheFileAndUnchangedOnesAskNothing)
{
    auto window = open("<body><p>text</p></body>");
    type(*window, QStringLiteral("more"));
    QueueMessageBoxAnswer(MsgResult::No);
    window->close();
    ASSERT_TRUE(waitUntil([&] { return m_messages.size() == 1; }));
    EXPECT_EQ(m_messages.front(), Message(WM_EDITOR_NOTIFY, EDITOR_CLOSED, kSlot));
    EXPECT_EQ(ReadFile(m_path), "<body><p>text</p></body>");

    // Closed from the source view too, where nothing waits on the page.
    auto unchanged = open("<body><p>text</p></body>");
    unchanged->ShowSource(true);
    ASSERT_TRUE(waitUntil([&] { return unchanged->IsShowingSource(); }));
    unchanged->close();
    ASSERT_TRUE(waitUntil([&] { return m_messages.size() == 2; }));
    EXPECT_FALSE(unchanged->isVisible());
    EXPECT_TRUE(TakeAnsweredMessageBoxes().size() == 1); // the first window's question only
}

TEST_F(EditorWindow, AFailedSaveKeepsTheTextAndSaysWhy)
{
    auto window = open("<body><p>text</p></body>");
    type(*window, QStringLiteral("kept"));
    std::filesystem::rename(m_folder.file("day"), m_folder.file("gone"));
    QueueMessageBoxAnswer(MsgResult::Ok);
    EXPECT_FALSE(save(*window));
    const QStringList said = TakeAnsweredMessageBoxes();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said.front().contains(QStringLiteral("could not be saved"))) << said.front().toStdString();
    EXPECT_TRUE(said.front().contains(QStringLiteral("No such file"))) << said.front().toStdString();
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_NE(bodyHtml(*window).find("kept"), std::string::npos);

    std::filesystem::rename(m_folder.file("gone"), m_folder.file("day"));
    ASSERT_TRUE(save(*window));
    ASSERT_TRUE(waitUntil([&] { return m_messages.size() == 1; }));
    EXPECT_EQ(m_messages.front(), Message(WM_EDITOR_NOTIFY, EDITOR_SAVED, kSlot));
}

TEST_F(EditorWindow, SourceViewEditsShowWhenSwitchingBackAndSaveAsTheSourceSays)
{
    auto window = open(kGbkHead + "\r\n<p>old</p></body></html>\r\n");
    // Only looking changes nothing.
    window->ShowSource(true);
    ASSERT_TRUE(waitUntil([&] { return window->IsShowingSource(); }));
    window->ShowSource(false);
    EXPECT_FALSE(window->isWindowModified());
    window->ShowSource(true);
    ASSERT_TRUE(waitUntil([&] { return window->IsShowingSource(); }));
    QPlainTextEdit* source = window->SourceEdit();
    EXPECT_TRUE(source->toPlainText().contains(QStringLiteral("font-family:\"宋体\"")));
    QTextCursor cursor = source->document()->find(QStringLiteral("old"));
    ASSERT_FALSE(cursor.isNull());
    cursor.insertText(QStringLiteral("<b>fresh</b>"));
    EXPECT_TRUE(window->isWindowModified());

    window->ShowSource(false);
    ASSERT_TRUE(waitUntil([&] { return window->IsLoaded(); }));
    EXPECT_EQ(bodyHtml(*window), "\n<p><b>fresh</b></p>\n");
    EXPECT_TRUE(window->isWindowModified());

    // Edits in both views are saved from the source, and nothing is left to save.
    type(*window, QStringLiteral("typed"));
    window->ShowSource(true);
    ASSERT_TRUE(waitUntil([&] { return window->IsShowingSource(); }));
    cursor = window->SourceEdit()->document()->find(QStringLiteral("fresh"));
    cursor.insertText(QStringLiteral("新"));
    ASSERT_TRUE(save(*window));
    const std::string saved = ReadFile(m_path);
    EXPECT_NE(saved.find("<b>&#26032;"), std::string::npos) << saved;
    EXPECT_NE(saved.find("typed"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<body bgcolor=white>\r\n<p>"), std::string::npos) << saved; // its own line ends
    EXPECT_EQ(saved.substr(saved.size() - 16), "</body></html>\r\n");
    EXPECT_FALSE(window->isWindowModified());
    window->ShowSource(false);
    EXPECT_FALSE(window->IsModified());
}

TEST_F(EditorWindow, AnEmptyArticleIsSavedAsACompleteDocument)
{
    auto window = open("");
    type(*window, QStringLiteral("Hello 中"));
    ASSERT_TRUE(save(*window));
    EXPECT_EQ(ReadFile(m_path), "<HTML>\r\n<HEAD>\r\n<META http-equiv=\"Content-Type\" content=\"text/html; "
                                "charset=gb2312\">\r\n<TITLE>&#26631;&#39064;</TITLE>\r\n</HEAD>\r\n"
                                "<BODY>Hello &#20013;</BODY>\r\n</HTML>\r\n");
}

TEST_F(EditorWindow, AnUnchangedEditorShowsTheFileAsTheLibraryRewroteIt)
{
    auto window = open("<body><p>first</p></body>");
    // Written in place, then replaced as the library replaces it.
    ASSERT_TRUE(WriteFile(m_path, "<body><p>cleaned</p></body>"));
    EXPECT_TRUE(waitUntil([&] { return bodyHtml(*window) == "<p>cleaned</p>"; })) << bodyHtml(*window);
    ASSERT_TRUE(WriteFile(m_path + ".new", "<body><p>renamed</p></body>"));
    std::filesystem::rename(m_path + ".new", m_path);
    EXPECT_TRUE(waitUntil([&] { return bodyHtml(*window) == "<p>renamed</p>"; })) << bodyHtml(*window);

    // One with changes keeps them.
    type(*window, QStringLiteral("mine"));
    ASSERT_TRUE(WriteFile(m_path, "<body><p>again</p></body>"));
    waitUntil([] { return false; }, 1500);
    EXPECT_NE(bodyHtml(*window).find("mine"), std::string::npos);
}

TEST_F(EditorWindow, FormattingCommandsWorkOnTheSelection)
{
    auto window = open("<body><p>word</p></body>");
    eval(*window, QStringLiteral("getSelection().selectAllChildren(document.querySelector('p'))"));
    const auto run = [&](const char* command, const char* value, const char* expected) {
        window->Exec(QLatin1String(command), value ? QLatin1String(value) : QString());
        EXPECT_TRUE(waitUntil([&] { return bodyHtml(*window) == expected; })) << command << ": " << bodyHtml(*window);
    };
    run("bold", nullptr, "<p><b>word</b></p>");
    run("formatBlock", "h2", "<h2><b>word</b></h2>");
    run("removeFormat", nullptr, "<h2>word</h2>");
    run("insertUnorderedList", nullptr, "<h2><ul><li>word</li></ul></h2>");
    window->InsertLink(QStringLiteral(" https://example.org/a?b=1&c=\"2\" "));
    EXPECT_TRUE(waitUntil([&] {
        return bodyHtml(*window) == "<h2><ul><li><a href=\"https://example.org/a?b=1&amp;c=&quot;2&quot;\">word</a></li></ul></h2>";
    })) << bodyHtml(*window);

    QueueMessageBoxAnswer(MsgResult::Ok);
    window->InsertLink(QStringLiteral("JavaScript:alert(1)"));
    EXPECT_EQ(TakeAnsweredMessageBoxes().size(), 1);
}
