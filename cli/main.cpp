// quor-capture: the capture engine of Quor from the terminal. See docs/quor-capture.1.
#include "captureargs.h"
#include "capturecommand.h"
#include "catalogsearch.h"
#include "quorsettings.h"

#include <curl/curl.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::atomic<bool> g_abort{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The first Ctrl+C ends the transfers and keeps what came; a second one ends the program.
extern "C" void onSignal(int)
{
    g_abort = true;
}

void catchSignals()
{
    struct sigaction action{};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> argList(argv + 1, argv + argc);
    CaptureArgs args;
    std::string error;
    if (!ParseCaptureArgs(argList, args, error)) {
        std::fprintf(stderr, "quor-capture: %s\nTry 'quor-capture --help'.\n", error.c_str());
        return 2;
    }
    switch (args.mode) {
    case CaptureArgs::Mode::Help:
        std::fputs(CaptureUsage().c_str(), stdout);
        return 0;
    case CaptureArgs::Mode::Version:
        std::printf("quor-capture %s\n", QUOR_VERSION);
        return 0;
    case CaptureArgs::Mode::Search:
        return RunSearchCommand(args.catalog, args.keyword, stdout);
    case CaptureArgs::Mode::Capture:
        break;
    }
    if (!args.fileTypesGiven) {
        std::string warning;
        if (std::string stored = StoredFileTypes(warning); !stored.empty())
            args.fileTypes = std::move(stored);
        if (!warning.empty() && !args.quiet)
            std::fprintf(stderr, "quor-capture: %s\n", warning.c_str());
    }
    catchSignals();
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        std::fprintf(stderr, "quor-capture: libcurl could not start\n");
        return 2;
    }
    const int status = RunCaptureCommand(args, g_abort);
    curl_global_cleanup();
    return status;
}
