#pragma once
// The catalog a first start writes when there is none.

#include <string>

inline constexpr const char DEFAULT_CATALOG_NAME[] = "QuorCatalog.xml";

// The three lines, CR LF, in code page 936; ROOTDIR is the data folder given.
std::string DefaultCatalogBytes(const std::string& rootDir);

// Writes the default catalog to path unless something is there already. False (with the
// reason in error) when it cannot be written; no partial file is left behind.
bool WriteDefaultCatalog(const std::string& path, const std::string& rootDir, std::string* error);
