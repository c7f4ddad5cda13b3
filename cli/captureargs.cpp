#include "captureargs.h"

#include <charconv>
#include <cstdlib>

namespace {

constexpr int kMaxTransfers = 64;
constexpr int kMaxPerHost = 16;
constexpr double kMaxTimeout = 7 * 24 * 3600.0;
constexpr std::size_t kMaxUserAgent = 512;
constexpr std::size_t kMaxFileTypes = 511; // what Quor's Options hold

struct Option
{
    const char* name;  // long form
    char letter;       // short form, or 0
    bool value;        // takes a value
};

constexpr Option kOptions[] = {
    {"types", 't', true},        {"transfers", 'j', true}, {"per-host", 0, true},   {"timeout", 'T', true},
    {"user-agent", 'A', true},   {"json", 0, false},       {"quiet", 'q', false},   {"verbose", 'v', false},
    {"catalog", 0, true},        {"folder", 0, true},      {"search", 0, true},     {"help", 'h', false},
    {"version", 'V', false},
};

bool parseInt(const std::string& text, int low, int high, int& out)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool parseSeconds(const std::string& text, double& out)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(value > 0) || value > kMaxTimeout)
        return false;
    out = value;
    return true;
}

} // namespace

bool ParseFileTypes(const std::string& text, std::string& out)
{
    std::string types, word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (c == ' ' || c == ',' || c == '\t') {
            if (!word.empty())
                types += word + " ";
            word.clear();
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (c >= 'A' && c <= 'Z') {
            word += static_cast<char>(c - 'A' + 'a');
        } else if (c == '.' && word.empty()) {
            continue; // ".pdf"
        } else {
            return false;
        }
    }
    if (types.size() > kMaxFileTypes)
        return false;
    out = types;
    return true;
}

namespace {

bool plainText(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

const Option* findLong(const std::string& name)
{
    for (const Option& option : kOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

const Option* findShort(char letter)
{
    for (const Option& option : kOptions)
        if (option.letter != 0 && option.letter == letter)
            return &option;
    return nullptr;
}

bool apply(const Option& option, const std::string& value, CaptureArgs& out, std::string& error)
{
    const std::string name = option.name;
    const auto bad = [&](const char* what) {
        error = "--" + name + ": " + what;
        return false;
    };
    if (name == "types") {
        if (!ParseFileTypes(value, out.fileTypes))
            return bad("file types are letters and digits, separated by blanks or commas, at most 511 bytes in all");
        out.fileTypesGiven = true;
        return true;
    }
    if (name == "transfers")
        return parseInt(value, 1, kMaxTransfers, out.transfers) || bad("a number from 1 to 64");
    if (name == "per-host")
        return parseInt(value, 1, kMaxPerHost, out.perHost) || bad("a number from 1 to 16");
    if (name == "timeout")
        return parseSeconds(value, out.timeoutSeconds) || bad("seconds, more than 0 and at most a week");
    if (name == "user-agent") {
        if (value.empty() || value.size() > kMaxUserAgent || !plainText(value))
            return bad("1 to 512 bytes without control characters");
        out.userAgent = value;
    } else if (name == "catalog") {
        out.catalog = value;
    } else if (name == "folder") {
        out.folder = value;
    } else if (name == "search") {
        if (value.empty())
            return bad("the word to search for is empty");
        out.keyword = value;
        out.mode = CaptureArgs::Mode::Search;
    } else if (name == "json") {
        out.json = true;
    } else if (name == "quiet") {
        out.quiet = true;
    } else if (name == "verbose") {
        out.verbose = true;
    } else if (name == "help") {
        out.mode = CaptureArgs::Mode::Help;
    } else if (name == "version") {
        out.mode = CaptureArgs::Mode::Version;
    }
    return true;
}

} // namespace

bool ParseCaptureArgs(const std::vector<std::string>& args, CaptureArgs& out, std::string& error)
{
    std::vector<std::string> positional;
    bool folderGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        const Option* option = nullptr;
        std::string value;
        bool inlineValue = false;
        if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            option = findLong(arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
                inlineValue = true;
            }
        } else if (arg.size() == 2) {
            option = findShort(arg[1]);
        }
        if (!option) {
            error = "unknown option " + arg;
            return false;
        }
        if (option->value && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            value = args[++i];
        } else if (!option->value && inlineValue) {
            error = "--" + std::string(option->name) + " takes no value";
            return false;
        }
        folderGiven = folderGiven || std::string(option->name) == "folder";
        if (!apply(*option, value, out, error))
            return false;
    }

    switch (out.mode) {
    case CaptureArgs::Mode::Help:
    case CaptureArgs::Mode::Version:
        return true;
    case CaptureArgs::Mode::Search:
        if (folderGiven) {
            error = "--folder goes with --catalog and an address, not with --search";
            return false;
        }
        if (positional.size() == 1 && out.catalog.empty())
            out.catalog = positional[0];
        else if (!(positional.empty() && !out.catalog.empty())) {
            error = "--search takes a word and one catalog";
            return false;
        }
        return true;
    case CaptureArgs::Mode::Capture:
        break;
    }
    if (folderGiven && out.catalog.empty()) {
        error = "--folder goes with --catalog";
        return false;
    }
    const std::size_t wanted = out.catalog.empty() ? 2 : 1;
    if (positional.size() != wanted) {
        error = out.catalog.empty() ? "an address or file and an output folder are needed"
                                    : "with --catalog, only the address or file is given";
        return false;
    }
    out.input = positional[0];
    if (wanted == 2)
        out.outDir = positional[1];
    if (out.input.empty() || (wanted == 2 && out.outDir.empty())) {
        error = "an empty argument";
        return false;
    }
    return true;
}

std::string CaptureUsage()
{
    std::string types = DEFAULT_FILE_TYPES;
    types.pop_back();
    return "Usage: quor-capture [OPTION]... ADDRESS|FILE OUTDIR\n"
           "       quor-capture [OPTION]... --catalog FILE [--folder PATH] ADDRESS|FILE\n"
           "       quor-capture --search WORD CATALOG\n"
           "Captures a web page with everything it shows as an article of the Quor library:\n"
           "<ID>.html and its files in <ID>_files, in OUTDIR or in a catalog's data folder.\n"
           "\n"
           "  -t, --types LIST        file types of linked documents to fetch too\n"
           "                          (default: those of Quor's options, else\n"
           "                          \"" + types + "\")\n"
           "  -j, --transfers N       files fetched at once (1-64, default 6)\n"
           "      --per-host N        files fetched at once from one server (1-16, default 2)\n"
           "  -T, --timeout SECONDS   end the capture after this long; what came is kept\n"
           "  -A, --user-agent TEXT   the User-Agent sent (default: Quor)\n"
           "      --json              a summary in JSON on standard output\n"
           "  -q, --quiet             no progress bar and no list of failures\n"
           "  -v, --verbose           each round of downloads and each failure on standard error\n"
           "      --catalog FILE      add the article to this catalog (not while Quor runs)\n"
           "      --folder PATH       under this folder of the catalog, made if missing (\"A/B\")\n"
           "      --search WORD       list the catalog's articles whose title or text holds WORD\n"
           "  -h, --help              this text\n"
           "  -V, --version           the version\n"
           "\n"
           "Exit status: 0 everything came, 1 some files did not come, 2 bad usage or no page.\n"
           "With --search: 0 found, 1 nothing found, 2 trouble.\n";
}
