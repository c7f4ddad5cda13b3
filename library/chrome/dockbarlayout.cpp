#include "dockbarlayout.h"

#include "codepage.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace {

constexpr int kMaxCuts = 10;

void dropLastCharacter(std::string& bytes)
{
    bytes.resize(Cp936CharBoundary(bytes, bytes.size() < 2 ? 0 : bytes.size() - 2));
}

} // namespace

QString ShortenTitle(const QString& title, int width, const TextWidth& textWidth)
{
    if (textWidth(title) <= width) return title;
    std::string bytes = Utf8ToCp936(title.toStdString());
    const auto text = [&bytes] { return QString::fromStdString(Cp936ToUtf8(bytes)); };
    dropLastCharacter(bytes);
    for (int cuts = 1; cuts < kMaxCuts && !bytes.empty() && textWidth(text()) > width; ++cuts)
        dropLastCharacter(bytes);
    dropLastCharacter(bytes);
    return text() + QStringLiteral("...");
}

int TabWidth(int textWidth, bool hasIcon)
{
    return textWidth + 9 + (hasIcon ? 18 : 0);
}

std::vector<int> LayoutTabs(const std::vector<int>& widths, int stripWidth)
{
    std::vector<int> result = widths;
    if (widths.empty() || std::accumulate(widths.begin(), widths.end(), 0) <= stripWidth)
        return result;
    const int share = std::max(0, stripWidth) / static_cast<int>(widths.size());
    for (int& w : result)
        w = std::min(w, share);
    return result;
}
