#include "password.h"

#include "codepage.h"

#include <cstring>

namespace {

constexpr std::size_t kAlphabetSize = sizeof(PASSWORD_ALPHABET) - 1;

// Table entry i stands for alphabet character i.
const std::string& table()
{
    static const std::string bytes = Utf8ToCp936(
        "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳"
        "云腾致雨露结为霜金生丽水玉出昆冈剑号巨阙珠称夜光果珍李柰菜重芥姜");
    return bytes;
}

} // namespace

std::string EncodePassword(std::string_view password)
{
    static_assert(kAlphabetSize == 64);
    std::string scrambled;
    scrambled.reserve(password.size() * 2);
    for (const char c : password) {
        const char* at = c ? std::strchr(PASSWORD_ALPHABET, c) : nullptr;
        if (!at)
            continue;
        scrambled.append(table(), static_cast<std::size_t>(at - PASSWORD_ALPHABET) * 2, 2);
    }
    return scrambled;
}

std::string DecodePassword(std::string_view scrambled)
{
    std::string password;
    std::size_t characters = scrambled.size() / 2;
    for (std::size_t i = 0; i < scrambled.size() && characters > 0; --characters) {
        // A code page 936 character: a lead byte from 0x81 up takes the next byte with it.
        const bool doubleByte = static_cast<unsigned char>(scrambled[i]) >= 0x81 && i + 1 < scrambled.size();
        if (!doubleByte)
            break;
        const std::string_view ch = scrambled.substr(i, 2);
        std::size_t p = 0;
        while (p < kAlphabetSize && std::string_view(table()).substr(p * 2, 2) != ch)
            ++p;
        if (p == kAlphabetSize)
            break;
        password += PASSWORD_ALPHABET[p];
        i += 2;
    }
    return password;
}

bool IsStorablePassword(std::string_view password)
{
    for (const char c : password)
        if (!c || !std::strchr(PASSWORD_ALPHABET, c))
            return false;
    return true;
}
