#pragma once

#include "orvex/Read.h"

#include <memory>
#include <string>
#include <vector>

namespace orvkit {
class Document;
}

namespace orvex {

// What reading a .lin file of line-type definitions gave.
struct LineStylesResult {
    // A new document whose line-style table holds the file's styles; null when the file could
    // not be read or defines none.
    std::shared_ptr<orvkit::Document> document;
    ReadFailure failure; // kind empty when it was read
    // The lines the reader skipped in a file it read to its end, in its words, one each.
    std::vector<std::string> warnings;

    explicit operator bool() const { return document != nullptr; }
};

// Reads a .lin file (AutoCAD-style line types) into a new document. Fails, with the reason, on a
// file that cannot be read, a value that is not a number, and a file without definitions.
LineStylesResult ReadLineStyles(const std::string& path);

} // namespace orvex
