#pragma once
// A text that must fit a fixed buffer of N bytes in code page 936, the terminating NUL
// included. Anything longer is cut on a character boundary when it is assigned.

#include "codepage.h"

#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t N>
class CFixedText
{
    static_assert(N > 1);

public:
    static constexpr std::size_t kMaxBytes = N - 1;

    CFixedText() = default;
    CFixedText(std::string_view text) { assign(text); } // NOLINT: used like the buffer it stands for

    CFixedText& operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }

    void assign(std::string_view text) { m_text = Cp936CutUtf8(text, kMaxBytes); }

    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; } // NOLINT
    bool empty() const { return m_text.empty(); }

private:
    std::string m_text;
};
