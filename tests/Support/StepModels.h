#pragma once

#include "Geometry/IO/StepFileParse.h"

#include <STEPControl_Reader.hxx>
#include <StepData_StepModel.hxx>

#include <memory>
#include <optional>
#include <string>

namespace orvtest {

// A STEP model as text: every entity's number in the file, its class and the check messages the
// load left, then the header and the entities the kernel decodes itself written back. (The
// semantic checks are not the load's: a session makes them when asked, and OpenCASCADE's checks
// of a model give different messages on a second asking.)
// Two parses of one file gave the same model when these texts are equal.
std::string DescribeStepModel(const Handle(StepData_StepModel)& model);

// A STEP file's model with the reader that loaded it: the reader's session empties the model
// when it goes.
struct ParsedStepModel {
    std::shared_ptr<STEPControl_Reader> reader;
    Handle(StepData_StepModel) model;
    // The session graph's sharing lists: each entity's number, then the numbers of the entities
    // that share it, in the graph's order.
    std::string graph;
};

// The model of the file at `path` as OpenCASCADE's own parser loads it (`stock`), or as
// StepFileParse and LoadStepModel do; a null model when that parser did not take the file.
ParsedStepModel ParseStepModel(const std::string& path, bool stock);

// The records of a parse, one line each (ident, type, then each parameter as kind=text), for
// comparing two parses of one text.
std::string FlattenStepParse(const orvkit::StepFileParse& parse);

// The records OpenCASCADE's own scanner makes of `text`, flattened as FlattenStepParse does;
// nothing when its parser fails or reports a syntax error.
std::optional<std::string> FlattenOcctStepRecords(const std::string& text);

} // namespace orvtest
