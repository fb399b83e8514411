#pragma once

#include <StepData_StepModel.hxx>

#include <string>

namespace orvtest {

// A STEP model as text: the header and every entity written back with its number in the file
// and its type, then every check message the load left, on the model and on each entity.
// Two parses of one file gave the same model when these texts are equal.
std::string DescribeStepModel(const Handle(StepData_StepModel)& model);

// The model of the file at `path` as OpenCASCADE's own parser loads it (`stock`), or as
// StepFileParse and LoadStepModel do; null when that parser did not take the file.
Handle(StepData_StepModel) ParseStepModel(const std::string& path, bool stock);

} // namespace orvtest
