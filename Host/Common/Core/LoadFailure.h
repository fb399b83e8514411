#pragma once

#include <string>

namespace orvkit {

// What kind of problem ended a load.
enum EnumLoadFailure {
    LoadFailureNone = 0,
    LoadFailureNotFound,
    LoadFailureNotAFile, // a folder, a FIFO or a device
    LoadFailureEmpty,
    LoadFailureNotReadable, // no permission
    LoadFailureUnknownExtension,
    LoadFailureInvalidSetting, // a reader setting it cannot honour, such as a code page
    LoadFailureParseError,
    LoadFailureTranslatorFault, // an exception or a memory fault inside the translator
    LoadFailureNothingTransferable,
    LoadFailureCancelled, // the caller asked the read to stop
};

// Why a file could not be loaded, kept by the readers for their last failed load so that a
// caller can tell a user without checking the file again or reading the log.
class LoadFailure {
public:
    LoadFailure() = default;
    LoadFailure(EnumLoadFailure kind, std::string format, std::string detail, int line = 0);

    // None when the file looks readable; otherwise not found, not a file, empty or not
    // readable, with what the path is in `detail` ("a folder", "a FIFO or a device").
    static LoadFailure CheckFile(const std::string& path);

    // The last failure recorded on the calling thread; kind None when there was none since the
    // thread's last Clear. Readers reached through a registry record here.
    static const LoadFailure& Last();
    static void Record(const LoadFailure& failure);
    static void Clear();

    // One line for a user, e.g. "not a readable STEP file: unexpected end of file (line 12)".
    std::string Describe() const;

    explicit operator bool() const { return kind != LoadFailureNone; }

    EnumLoadFailure kind = LoadFailureNone;
    std::string format; // "STEP", "IGES", "VRML"; empty when the format is not known yet
    std::string detail; // the parser's or translator's own words, an extension, a setting
    int line = 0;       // the line of a parse error; 0 when not known
};

} // namespace orvkit
