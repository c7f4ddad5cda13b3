#pragma once
// Whether a text a user reads is Chinese.

#include <QString>

// Holds a CJK character or a full-width form.
inline bool HasChinese(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}
