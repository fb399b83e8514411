#pragma once

#include "Geometry/IO/StepFileParse.h"

#include <StepData_StepModel.hxx>

#include <optional>
#include <string>

namespace orvtest {

// A STEP model as text: the header and every entity written back with its number in the file
// and its type, then every check message the load left, on the model and on each entity.
// Two parses of one file gave the same model when these texts are equal.
std::string DescribeStepModel(const Handle(StepData_StepModel)& model);

// The model of the file at `path` as OpenCASCADE's own parser loads it (`stock`), or as
// StepFileParse and LoadStepModel do; null when that parser did not take the file.
Handle(StepData_StepModel) ParseStepModel(const std::string& path, bool stock);

// The records of a parse, one line each (ident, type, then each parameter as kind=text), for
// comparing two parses of one text.
std::string FlattenStepParse(const orvkit::StepFileParse& parse);

// The records OpenCASCADE's own scanner makes of `text`, flattened as FlattenStepParse does;
// nothing when its parser fails or reports a syntax error.
std::optional<std::string> FlattenOcctStepRecords(const std::string& text);

} // namespace orvtest
