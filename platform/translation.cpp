#include "translation.h"

#include <QCoreApplication>
#include <QTranslator>

QString TranslationName(const QString& program, QLocale::Language sourceLanguage,
                        const QLocale& locale)
{
    const QLocale::Language wanted =
        locale.language() == QLocale::Chinese ? QLocale::Chinese : QLocale::English;
    if (wanted == sourceLanguage)
        return {};
    return program.toLower() +
           (wanted == QLocale::Chinese ? QStringLiteral("_zh") : QStringLiteral("_en"));
}

QTranslator* InstallTranslation(const QString& program, QLocale::Language sourceLanguage,
                                const QLocale& locale, const QString& folder)
{
    const QString name = TranslationName(program, sourceLanguage, locale);
    if (name.isEmpty() || !QCoreApplication::instance())
        return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
