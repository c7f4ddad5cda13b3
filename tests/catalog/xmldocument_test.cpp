// The XML layer: GBK files in and out byte for byte, hostile files refused, nodes moved.
#include "titles.h"
#include "xmldocument.h"

#include "testenv.h"

#include <gtest/gtest.h>
#include <libxml/globals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 新闻, 中文 and 們 (GBK but not GB2312) in GBK; attributes in no particular order.
const std::string kGbkCatalog =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
    "<DIR COMMENT=\"CATALOG\" ROOTDIR=\"/data/lib\">"
    "<DIR COMMENT=\"RECYCLE\"><DIR COMMENT=\"\xD0\xC2\xCE\xC5\"/></DIR>"
    "<DIR DATE=\"080101120000123\" COMMENT=\"\xD6\xD0\xCE\xC4\x82\x83\">"
    "<ARTICLE COMMENT=\"a &lt;b&gt; &amp; &quot;c&quot;\" ID=\"080101120000123\" "
    "FILE=\"080101120000123.html\" "
    "SOURCE=\"http://x/?a=1&amp;b=2\" DATE=\"080101120000123\"/>"
    "</DIR></DIR>\r\n";

std::string Nested(int levels)
{
    std::string s;
    for (int i = 0; i < levels; ++i)
        s += "<DIR>";
    for (int i = 0; i < levels; ++i)
        s += "</DIR>";
    return s;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs f on a thread with a small stack: deep trees must not be walked by recursion.
void OnSmallStack(const std::function<void()>& f)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    auto call = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&f)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

class XmlFile : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    TestFolder dir;
};

// --- GBK in and out -----------------------------------------------------------------------

TEST_F(XmlFile, GbkCatalogLoadsAsUtf8AndSavesBackByteForByte)
{
    const std::string path = Write("QuorCatalog.xml", kGbkCatalog);
    CXmlDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Load(path, &error)) << error;
    const CXmlNode root = doc.GetRoot();
    EXPECT_EQ(root.GetAttribute("ROOTDIR"), "/data/lib");
    EXPECT_EQ(root.GetChild(0).GetChild(0).GetAttribute("COMMENT"), "新闻");
    const CXmlNode folder = root.GetChild(1);
    EXPECT_EQ(folder.GetAttribute("COMMENT"), "中文們");
    EXPECT_EQ(folder.GetChild(0).GetAttribute("COMMENT"), "a <b> & \"c\"");
    EXPECT_EQ(folder.GetChild(0).GetAttribute("SOURCE"), "http://x/?a=1&b=2");

    EXPECT_EQ(doc.SaveToString(), kGbkCatalog);
    const std::string copy = dir.file("copy.xml");
    ASSERT_TRUE(doc.Save(copy, &error)) << error;
    EXPECT_EQ(ReadFile(copy), kGbkCatalog);

    // The declared name in another case is read the same way.
    std::string upper = kGbkCatalog;
    upper.replace(upper.find("gb2312"), 6, "GB2312");
    ASSERT_TRUE(doc.LoadFromMemory(upper, &error)) << error;
    EXPECT_EQ(doc.SaveToString(), kGbkCatalog);
}

TEST_F(XmlFile, UserDefinedCharactersOpenAndAreSavedAsTheSameBytes)
{
    // Old catalogs carry the user-defined area (AA A1, F8 A1, A1 40...) in titles, also
    // across the parser's reading pieces.
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += "<DIR COMMENT=\"\xAA\xA1 \xD6\xD0 \xF8\xA1 \xA1\x40 x\"/>";
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\">" + body + "</DIR>\r\n";
    CXmlDocument doc;
    std::string error;
    ASSERT_TRUE(doc.LoadFromMemory(bytes, &error)) << error;
    EXPECT_EQ(doc.GetRoot().GetChildCount(), 3000);
    EXPECT_EQ(doc.GetRoot().GetChild(2999).GetAttribute("COMMENT"), "\xEE\x80\x80 \xE4\xB8\xAD \xEE\x88\xB4 \xEE\x93\x86 x");
    EXPECT_EQ(doc.SaveToString(), bytes);

    // Declared as gbk it reads the same; a byte no code page holds is still refused.
    std::string gbk = bytes;
    gbk.replace(gbk.find("gb2312"), 6, "GBK");
    ASSERT_TRUE(doc.LoadFromMemory(gbk, &error)) << error;
    EXPECT_FALSE(doc.LoadFromMemory("<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"\xAA\x20\"/>", &error));
    EXPECT_NE(error.find("line "), std::string::npos) << error;
}

TEST_F(XmlFile, CharactersOutsideGbkBecomeReferencesAndReadBack)
{
    CXmlDocument doc;
    CXmlNode root = doc.CreateRoot("DIR");
    const std::string title = "中文 😀 한국 \xE2\x82\xAC";
    root.SetAttribute("COMMENT", title);
    const std::string bytes = doc.SaveToString();
    EXPECT_NE(bytes.find("&#128512;"), std::string::npos);
    EXPECT_NE(bytes.find("&#54620;"), std::string::npos);
    EXPECT_EQ(bytes.find("\xF0\x9F"), std::string::npos); // no UTF-8 left in a GBK file

    const std::string path = dir.file("c.xml");
    ASSERT_TRUE(doc.Save(path));
    CXmlDocument back;
    std::string error;
    ASSERT_TRUE(back.Load(path, &error)) << error;
    EXPECT_EQ(back.GetRoot().GetAttribute("COMMENT"), title);
}

TEST_F(XmlFile, AttributeTextSurvivesEveryCharacterXmlCanHold)
{
    CXmlDocument doc;
    CXmlNode root = doc.CreateRoot("DIR");
    const std::string text = "line1\r\nline2\ttab <&>\"' ]]> &amp;";
    root.SetAttribute("COMMENT", text);
    // What XML cannot hold is replaced, so that the file still reads back.
    root.SetAttribute("SOURCE", std::string("a\x01"
                                            "b\xFF"
                                            "c\xC3",
                                            6) +
                                    "\xED\xA0\x80" + "\xEF\xBF\xBE");
    CXmlDocument back;
    std::string error;
    ASSERT_TRUE(back.LoadFromMemory(doc.SaveToString(), &error)) << error;
    EXPECT_EQ(back.GetRoot().GetAttribute("COMMENT"), text);
    EXPECT_EQ(back.GetRoot().GetAttribute("SOURCE"), "a\xEF\xBF\xBD"
                                                     "b\xEF\xBF\xBD"
                                                     "c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(XmlFile, WhiteSpaceBetweenElementsIsNotKept)
{
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
                              "<DIR COMMENT=\"CATALOG\">\r\n\t<DIR COMMENT=\"a\">\r\n\t</DIR>\r\n"
                              "  <!-- note --> <ARTICLE COMMENT=\"b\">text</ARTICLE>\n</DIR>\r\n";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromMemory(bytes));
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
                                  "<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"a\"/><!-- note -->"
                                  "<ARTICLE COMMENT=\"b\">text</ARTICLE></DIR>\r\n");
}

// --- hostile files ------------------------------------------------------------------------

struct BadFile
{
    const char* name;
    std::string bytes;
    const char* says; // part of the message
};

std::string WithBigName()
{
    return "<DIR " + std::string(1 << 20, 'A') + "=\"x\"/>";
}

TEST_F(XmlFile, HostileFilesAreRefusedWithTheirNameAndTheDocumentStaysAsItWas)
{
    const BadFile files[] = {
        {"empty", "", "line 1: Document is empty"},
        {"notxml", "PK\x03\x04 this is a zip", "line 1: Start tag expected"},
        {"truncated", kGbkCatalog.substr(0, kGbkCatalog.size() / 2), "line 2: "},
        {"mismatch", "<DIR>\n<DIR>\n</ARTICLE></DIR>", "line 3: Opening and ending tag mismatch"},
        {"declonly", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<!-- nothing -->\r\n",
         "line "},
        {"deep", Nested(10000), "line 1: elements nested deeper than 256 levels"},
        {"justtoodeep", Nested(kMaxXmlDepth + 1), "nested deeper than 256"},
        {"bigname", WithBigName(), "line 1: "},
        {"badgbk", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"\x82\x20\"/>",
         "line 2: "},
        {"entity", "<DIR COMMENT=\"&secret;\"/>", "Entity 'secret' not defined"},
        {"tworoots", "<DIR/><DIR/>", "Extra content"},
        {"nul", std::string("<DIR COMMENT=\"a\0b\"/>", 20), "line 1: "},
    };
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromMemory(kGbkCatalog));
    const auto* before = doc.GetRoot().Raw();
    for (const BadFile& bad : files) {
        SCOPED_TRACE(bad.name);
        const std::string path = Write(std::string(bad.name) + ".xml", bad.bytes);
        std::string error;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(doc.Load(path, &error));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(bad.says), std::string::npos) << error;
        EXPECT_EQ(doc.GetRoot().Raw(), before);
        EXPECT_EQ(doc.SaveToString(), kGbkCatalog);
        EXPECT_EQ(xmlGetLastError(), nullptr);
    }
}

TEST_F(XmlFile, DocumentTypesAreRefusedAndNothingTheyNameIsRead)
{
    const std::string secret = Write("secret.txt", "TOP-SECRET");
    Write("evil.dtd", "<!ENTITY leak SYSTEM \"file://" + secret + "\">");
    const std::string files[] = {
        Write("external.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE DIR SYSTEM \"evil.dtd\">\n<DIR COMMENT=\"x\"/>"),
        Write("entity.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE DIR [<!ENTITY leak SYSTEM \"file://" + secret +
                  "\">]>\n<DIR COMMENT=\"x\">&leak;</DIR>"),
        Write("laughs.xml",
              "<!DOCTYPE DIR [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
              "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><DIR COMMENT=\"&c;\"/>"),
    };
    for (const std::string& path : files) {
        // An access-time check is unreliable; the file's absence in every result is what counts.
        CXmlDocument doc;
        std::string error;
        EXPECT_FALSE(doc.Load(path, &error)) << path;
        EXPECT_EQ(error.rfind(path + ": line ", 0), 0u) << error;
        EXPECT_NE(error.find("document type"), std::string::npos) << error;
        EXPECT_EQ(error.find("TOP-SECRET"), std::string::npos);
        EXPECT_FALSE(doc.GetRoot());
    }
}

TEST_F(XmlFile, AMegabyteOfAttributeTextIsKeptWhole)
{
    const std::string big(1 << 20, 'x');
    CXmlDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Load(Write("big.xml", "<DIR COMMENT=\"" + big + "\"/>"), &error)) << error;
    EXPECT_EQ(doc.GetRoot().GetAttribute("COMMENT"), big);
    EXPECT_NE(doc.SaveToString().find(big), std::string::npos);
}

TEST_F(XmlFile, DeepestAllowedNestingLoads)
{
    CXmlDocument doc;
    std::string error;
    ASSERT_TRUE(doc.LoadFromMemory(Nested(kMaxXmlDepth), &error)) << error;
    CXmlNode n = doc.GetRoot();
    while (n.GetChild(0))
        n = n.GetChild(0);
    EXPECT_EQ(n.GetDepth(), kMaxXmlDepth);
    EXPECT_EQ(doc.GetRoot().GetHeight(), kMaxXmlDepth - 1);
}

TEST_F(XmlFile, WhatIsNotAReadableFileIsRefused)
{
    CXmlDocument doc;
    std::string error;
    EXPECT_FALSE(doc.Load(dir.file("missing.xml"), &error));
    EXPECT_EQ(error, dir.file("missing.xml") + ": No such file or directory");
    EXPECT_FALSE(doc.Load(dir.path(), &error));
    EXPECT_EQ(error, dir.path() + ": Is a directory");

    // A pipe must not hang the load.
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(doc.Load(fifo, &error));
    EXPECT_EQ(error, fifo + ": not a regular file");

    // Over 1 GiB: refused before anything is read (the file is sparse).
    const std::string huge = dir.file("huge.xml");
    ASSERT_TRUE(WriteFile(huge, "<DIR/>"));
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxXmlFileBytes) + 1), 0);
    EXPECT_FALSE(doc.Load(huge, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_FALSE(doc.GetRoot());
}

TEST_F(XmlFile, LibxmlErrorHandlersOfTheCallerAreLeftInPlace)
{
    static int calls = 0;
    const auto handler = [](void*, xmlErrorPtr) { ++calls; };
    xmlSetStructuredErrorFunc(nullptr, handler);
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadFromMemory("<DIR>"));
    EXPECT_TRUE(doc.LoadFromMemory("<DIR/>"));
    EXPECT_FALSE(doc.SaveToString().empty());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(xmlStructuredError, static_cast<xmlStructuredErrorFunc>(handler));
    EXPECT_EQ(xmlGetLastError(), nullptr);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
}

// --- saving -------------------------------------------------------------------------------

TEST_F(XmlFile, SaveIntoAFolderThatIsAFileFailsAndLeavesNothing)
{
    const std::string notFolder = Write("plain", "x");
    CXmlDocument doc;
    doc.CreateRoot("DIR");
    std::string error;
    EXPECT_FALSE(doc.Save(notFolder + "/QuorCatalog.xml", &error));
    EXPECT_EQ(error, notFolder + "/QuorCatalog.xml: Not a directory");
    EXPECT_FALSE(doc.Save(dir.path(), &error)); // a folder in the file's place
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"plain"});
}

TEST_F(XmlFile, SaveOnAFullDiskKeepsTheOldFile)
{
    const std::string path = Write("QuorCatalog.xml", kGbkCatalog);
    CXmlDocument doc;
    CXmlNode root = doc.CreateRoot("DIR");
    root.SetAttribute("COMMENT", std::string(100000, 'y'));

    // A file size limit makes the write fail as a full disk would.
    struct rlimit old
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool saved = doc.Save(path, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(error, path + ": File too large");
    EXPECT_EQ(ReadFile(path), kGbkCatalog);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"QuorCatalog.xml"});
}

TEST_F(XmlFile, SaveReplacesTheFileAndKeepsItsPermissions)
{
    const std::string path = Write("QuorCatalog.xml", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    CXmlDocument doc;
    doc.CreateRoot("DIR");
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(ReadFile(path), doc.SaveToString());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"QuorCatalog.xml"});
}

// --- nodes --------------------------------------------------------------------------------

class XmlNodes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(doc.LoadFromMemory(
            "<DIR COMMENT=\"root\"><!-- c --><DIR COMMENT=\"a\"/>text<ARTICLE COMMENT=\"b\"/>"
            "<?pi x?><DIR COMMENT=\"c\"><ARTICLE COMMENT=\"c1\"/></DIR></DIR>"));
        root = doc.GetRoot();
    }


    CXmlDocument doc;
    CXmlNode root;
};

TEST_F(XmlNodes, OnlyElementsAreCounted)
{
    EXPECT_EQ(root.GetChildCount(), 3);
    EXPECT_EQ(root.GetChild(1).GetAttribute("COMMENT"), "b");
    EXPECT_EQ(root.GetChild(2).GetIndex(), 2);
    EXPECT_FALSE(root.GetChild(3));
    EXPECT_FALSE(root.GetChild(-1));
    EXPECT_EQ(root.GetIndex(), -1);
    EXPECT_FALSE(root.GetParent());
    EXPECT_EQ(root.GetChild(2).GetChild(0).GetParent(), root.GetChild(2));
    EXPECT_EQ(root.GetName(), "DIR");
    EXPECT_EQ(CXmlNode().GetName(), "");
    EXPECT_EQ(CXmlNode().GetChildCount(), 0);
    EXPECT_EQ(root.GetChild(2).GetChild(0).GetDepth(), 3);
}

TEST_F(XmlNodes, InsertAfterPlacesRightAfterTheReferenceOrLast)
{
    CXmlNode a = root.GetChild(0), b = root.GetChild(1), c = root.GetChild(2);
    EXPECT_TRUE(root.InsertAfter(a, c));
    EXPECT_EQ(Titles(root), "a c[c1] b");
    EXPECT_TRUE(root.InsertAfter(CXmlNode(), a));
    EXPECT_EQ(Titles(root), "c[c1] b a");
    // After itself, or after the node just before it: it stays.
    EXPECT_TRUE(root.InsertAfter(b, b));
    EXPECT_TRUE(root.InsertAfter(c, b));
    EXPECT_EQ(Titles(root), "c[c1] b a");
    // A reference from elsewhere means last.
    CXmlNode c1 = c.GetChild(0);
    EXPECT_TRUE(root.InsertAfter(c1, b));
    EXPECT_EQ(Titles(root), "c[c1] a b");
    EXPECT_TRUE(c.InsertAfter(c1, a));
    EXPECT_EQ(Titles(root), "c[c1 a] b");
}

TEST_F(XmlNodes, ANodeNeverGoesIntoItsOwnBranch)
{
    CXmlNode c = root.GetChild(2), c1 = c.GetChild(0);
    const std::string before = doc.SaveToString();
    EXPECT_FALSE(c1.InsertAfter(CXmlNode(), c));
    EXPECT_FALSE(c.InsertAfter(CXmlNode(), c));
    EXPECT_FALSE(c1.InsertAfter(CXmlNode(), root));
    EXPECT_FALSE(root.InsertAfter(CXmlNode(), CXmlNode()));
    EXPECT_EQ(doc.SaveToString(), before);
}

TEST_F(XmlNodes, NodesFromAnotherDocumentMoveOverAndOutliveIt)
{
    {
        CXmlDocument other;
        ASSERT_TRUE(other.LoadFromMemory(
            "<?xml version=\"1.0\" encoding=\"gb2312\"?><DIR>"
            "<DIR COMMENT=\"\xD0\xC2\xCE\xC5\" ID=\"x\"><ARTICLE COMMENT=\"deep\"/></DIR>"
            "</DIR>"));
        EXPECT_TRUE(root.InsertAfter(root.GetChild(0), other.GetRoot().GetChild(0)));
        EXPECT_EQ(other.GetRoot().GetChildCount(), 0);
    } // the other document and its names are gone now
    EXPECT_EQ(Titles(root), "a 新闻[deep] b c[c1]");
    EXPECT_EQ(root.GetChild(1).GetAttribute("ID"), "x");
    root.GetChild(1).SetAttribute("ID", "y");
    CXmlDocument back;
    ASSERT_TRUE(back.LoadFromMemory(doc.SaveToString()));
    EXPECT_EQ(back.GetRoot().GetChild(1).GetAttribute("COMMENT"), "新闻");
    EXPECT_EQ(back.GetRoot().GetChild(1).GetAttribute("ID"), "y");
}

TEST_F(XmlNodes, VeryDeepTreesAreWalkedSavedAndFreedWithoutRecursion)
{
    OnSmallStack([] {
        CXmlDocument deep;
        CXmlNode n = deep.CreateRoot("DIR");
        for (int i = 0; i < 100000; ++i)
            n = n.CreateChildAfter(CXmlNode(), "DIR");
        EXPECT_EQ(n.GetDepth(), 100001);
        EXPECT_EQ(deep.GetRoot().GetHeight(), 100000);
        EXPECT_GT(deep.SaveToString().size(), 100000u * 11);
        CXmlNode top = deep.GetRoot().GetChild(0);
        top.Delete();
        n = deep.GetRoot();
        for (int i = 0; i < 100000; ++i)
            n = n.CreateChildAfter(CXmlNode(), "DIR");
    }); // and the document is freed here
}

} // namespace
