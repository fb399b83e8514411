#pragma once

#include <Standard_Handle.hxx>

#include <string>

class XSControl_WorkSession;

namespace orvkit {

class StepFileParse;

enum class StepModelLoading {
    // The commonest entities decoded from the records, the others read by OpenCASCADE's reader
    // tool; the model and graph are the same.
    Decoding,
    // Every entity read by OpenCASCADE's reader tool.
    ReaderTool,
};

// Hands a parsed STEP file to OpenCASCADE as its own parser would: fills the reader data with
// the parse's records, lets StepData_StepReaderTool read the header, resolve the references (unless
// every one names a single entity, when they are given resolved) and load the entities into a
// new model, and makes that the session's model, read from `path`.
// The parse's records are freed once the reader data holds them, its texts once the model is
// loaded. Call it under the TranslatorLock, with a session whose controller is STEP's. False
// when the session has no STEP protocol.
bool LoadStepModel(StepFileParse& parse, const Handle(XSControl_WorkSession)& session,
                   const std::string& path, StepModelLoading loading = StepModelLoading::Decoding);

} // namespace orvkit
