#pragma once

#include "orvex/Compare.h"
#include "orvex/Write.h"

#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeWriteOptions.h"

#include <string>

namespace orvex::detail {

// "cannot write 'PATH': REASON".
std::string CannotWriteText(const std::string& path, const std::string& reason);
// "no format is written as 'NAME' (one of: ...)".
std::string UnknownFormatText(const std::string& name);
// "no part, assembly or instance is named 'NAME'".
std::string NoSuchElementText(const std::string& name);
// "cannot make the folder 'FOLDER': REASON".
std::string CannotMakeFolderText(const std::string& folder, const std::string& reason);

// The options as the writer takes them; why they cannot be, or empty.
std::string ToWriteOptions(const WriteOptions& options, orvkit::XdeWriteOptions& writeOptions);

// Fills `target` (made new) with a copy of the whole of `source`: tree, shapes, names,
// colours, layers, dimensions, declared validation properties.
void CopyDocument(const orvkit::XdeDocumentImpl& source, orvkit::XdeDocumentImpl& target);

// Writes `document`, which the writer changes on the way, as `format` to `path`; with
// `verify`, reads the file back and compares it with what was written (a model read from
// `source`).
WriteReport WriteDocument(orvkit::XdeDocumentImpl& document, const std::string& source,
                          const std::string& path, const orvkit::ModelFormat& format,
                          const orvkit::XdeWriteOptions& writeOptions, bool verify,
                          const ProgressFunction& progress = {});

// Reads report.path back and compares it with `written`, the document it was written from,
// on what the file's format holds; fills the report's verdict.
// `deflection`: what a mesh file was meshed with when the writer was given one, else 0.
void VerifyWritten(const orvkit::XdeDocumentImpl& written, const std::string& source,
                   const ProgressFunction& progress, WriteReport& report, double deflection);

// Compares `written`, a document in memory that was read from `source` (whose format says
// what it can hold) and then written, with `back`, the file read back.
CompareReport CompareWritten(const orvkit::XdeDocumentImpl& written, const std::string& source,
                             const Model& back, double deflection);

} // namespace orvex::detail
