#pragma once
// The command line of quor-capture: what to capture and where to, or what to search for.

#include "appglobals.h"

#include <string>
#include <vector>

struct CaptureArgs
{
    enum class Mode { Capture, Search, Help, Version };
    Mode mode = Mode::Capture;
    std::string input;   // an http(s) address or a file
    std::string outDir;  // without --catalog
    std::string catalog; // --catalog, or the CATALOG of --search
    std::string folder;  // --folder
    std::string keyword; // --search
    // Blank-separated, lower case, with a trailing blank, as Quor keeps them.
    std::string fileTypes = DEFAULT_FILE_TYPES;
    bool fileTypesGiven = false; // by --types
    int transfers = 6;
    int perHost = 2;
    double timeoutSeconds = 0; // 0: none
    std::string userAgent = "Quor";
    bool json = false;
    bool quiet = false;
    bool verbose = false;
};

// False with the reason in error for a command line that cannot be run.
bool ParseCaptureArgs(const std::vector<std::string>& args, CaptureArgs& out, std::string& error);

// "pdf,zip doc" as Quor keeps the list: "pdf zip doc ". False for anything but letters and
// digits separated by blanks or commas, or for more than Quor's options hold.
bool ParseFileTypes(const std::string& text, std::string& out);

// The --help text.
std::string CaptureUsage();
