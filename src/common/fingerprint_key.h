#pragma once

#include <filesystem>
#include <string>

namespace quorvex {

inline constexpr const char* kFingerprintKeyFile = "FingerprintKey.txt";

// The key of a program folder's finding fingerprints: 64 hex digits made at random the first
// time one is asked for, and kept in FingerprintKey.txt there, private to its owner (0600), so
// that every run in the folder gives a finding the same fingerprint and no one without the
// file can test guesses against one. A file that is not the user's own, is open to others'
// writing or does not hold a key is not used (one that does not hold a key is replaced).
struct FingerprintKey {
    std::string key;
    // Why the key could not be kept (a folder that cannot be written): the key then serves
    // this run alone. Empty when it is kept.
    std::string problem;
};
FingerprintKey FolderFingerprintKey(const std::filesystem::path& folder);

}  // namespace quorvex
