#pragma once
// The interface language of a program. Its texts in the code are in its source language;
// for any other locale its translation, ":/i18n/<program, lower case>_en.qm" (or "_zh.qm"
// for a Chinese locale), is installed when there is one.

#include <QLocale>
#include <QString>

class QTranslator;

// The translation file a program needs in this locale, without ".qm"; empty when the
// texts in the code are already in the locale's language.
QString TranslationName(const QString& program, QLocale::Language sourceLanguage,
                        const QLocale& locale);

// Loads that translation from the folder and installs it into the application (which owns
// it). Null when none is needed or the file is not there.
QTranslator* InstallTranslation(const QString& program, QLocale::Language sourceLanguage,
                                const QLocale& locale = QLocale::system(),
                                const QString& folder = QStringLiteral(":/i18n"));
