// The translation files: complete for the texts in the code, and true to them in what the
// program relies on (place markers, shortcuts, lines, one accelerator).
#include "testenv.h"
#include "chinesetext.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <filesystem>
#include <set>

namespace {

struct TranslationFile
{
    const char* ts;
    const char* sources; // the list lupdate reads, one file a line
    const char* sourceLanguage;
};

void PrintTo(const TranslationFile& file, std::ostream* out)
{
    *out << file.ts;
}

const TranslationFile kFiles[] = {
#include "translationfiles.inc"
};

struct Message
{
    QString context, source, translation, type;
};

struct TsContents
{
    QString language, sourceLanguage;
    std::vector<Message> messages;
};

TsContents readTs(const QString& path)
{
    TsContents ts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ts;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("TS")) {
            ts.language = xml.attributes().value(QLatin1String("language")).toString();
            ts.sourceLanguage = xml.attributes().value(QLatin1String("sourcelanguage")).toString();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = Message{context, {}, {}, {}};
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
            ts.messages.push_back(message);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return ts;
}

bool inUse(const Message& m)
{
    return m.type != QLatin1String("vanished") && m.type != QLatin1String("obsolete");
}

std::string describe(const Message& m)
{
    return (m.context + QStringLiteral(": ") + m.source + QStringLiteral(" -> ") + m.translation)
        .toStdString();
}

QStringList placeMarkers(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

int accelerators(const QString& text)
{
    int count = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&')) ++count;
        ++i; // "&&" is a plain '&'
    }
    return count;
}

// The key sequence after the tab of a menu entry, when it is one ("Ctrl+V").
QString shortcutOf(const QString& text)
{
    static const QRegularExpression keys(QStringLiteral("\\t((Ctrl|Shift|Alt)\\+.+|F\\d+)$"));
    return keys.match(text).captured(1);
}


class TranslationFiles : public ::testing::TestWithParam<TranslationFile>
{
protected:
    QString ts() const { return QString::fromUtf8(GetParam().ts); }
};

} // namespace

TEST_P(TranslationFiles, EveryTextOfTheCodeHasAFinishedTranslation)
{
    // lupdate over the sources as they are now, into a copy: a text added or changed in the
    // code and not translated shows as unfinished.
    TestFolder folder;
    const QString copy = QString::fromStdString(folder.file("copy.ts"));
    ASSERT_TRUE(QFile::copy(ts(), copy));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(QUOR_LUPDATE),
                  {QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("-source-language"), QString::fromUtf8(GetParam().sourceLanguage),
                   QLatin1Char('@') + QString::fromUtf8(GetParam().sources), QStringLiteral("-ts"),
                   copy});
    ASSERT_TRUE(lupdate.waitForFinished(60000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();

    // Every class with texts in the file still has texts in the code: lupdate read its source.
    const auto contextsInUse = [](const TsContents& contents) {
        std::set<QString> contexts;
        for (const Message& m : contents.messages)
            if (inUse(m))
                contexts.insert(m.context);
        return contexts;
    };
    const std::set<QString> stored = contextsInUse(readTs(ts()));
    const std::set<QString> found = contextsInUse(readTs(copy));
    for (const QString& context : stored)
        EXPECT_TRUE(found.count(context)) << context.toStdString() << " has no texts in the code";

    for (const QString& path : {ts(), copy}) {
        const TsContents contents = readTs(path);
        EXPECT_FALSE(contents.messages.empty()) << path.toStdString();
        for (const Message& m : contents.messages) {
            if (inUse(m)) {
                EXPECT_TRUE(m.type.isEmpty() && !m.translation.isEmpty())
                    << path.toStdString() << ": " << describe(m);
            }
        }
    }
}

TEST_P(TranslationFiles, TranslationsKeepMarkersShortcutsLinesAndOneAccelerator)
{
    for (const Message& m : readTs(ts()).messages) {
        if (!inUse(m))
            continue;
        EXPECT_EQ(placeMarkers(m.translation), placeMarkers(m.source)) << describe(m);
        EXPECT_EQ(shortcutOf(m.translation), shortcutOf(m.source)) << describe(m);
        EXPECT_EQ(m.translation.count(QLatin1Char('\n')), m.source.count(QLatin1Char('\n')))
            << describe(m);
        EXPECT_EQ(accelerators(m.translation), std::min(accelerators(m.source), 1)) << describe(m);
    }
}

TEST_P(TranslationFiles, TranslationsAreInTheLanguageOfTheFile)
{
    const TsContents contents = readTs(ts());
    EXPECT_EQ(contents.sourceLanguage, QString::fromUtf8(GetParam().sourceLanguage));
    const QString name =
        QString::fromStdString(std::filesystem::path(GetParam().ts).stem().string());
    const QString language = name.section(QLatin1Char('_'), -1);
    EXPECT_TRUE(contents.language.startsWith(language)) << contents.language.toStdString();
    if (language != QLatin1String("en"))
        return;
    for (const Message& m : contents.messages) {
        if (inUse(m)) {
            EXPECT_FALSE(HasChinese(m.translation)) << describe(m);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, TranslationFiles, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<TranslationFile>& file) {
                             return std::filesystem::path(file.param.ts).stem().string();
                         });
