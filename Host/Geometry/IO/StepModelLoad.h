#pragma once

#include <Standard_Handle.hxx>

#include <string>

class XSControl_WorkSession;

namespace orvkit {

class StepFileParse;

// Hands a parsed STEP file to OpenCASCADE as its own parser would, and makes the model the
// session's, read from `path`, with its graph. When every entity name is given once and every
// reference names an entity, the commonest entities are decoded from the records
// (StepRecordDecode) and the others read by StepData_StepReaderTool record by record, with
// their references resolved here; otherwise the tool resolves the references, with its checks,
// and reads every entity. Either way the model is the one OpenCASCADE's parser loads. The
// session does not make the model's semantic checks until asked. The parse's records are
// freed once the model is loaded. Call it under the TranslatorLock, with a session whose
// controller is STEP's. False when the session has no STEP protocol.
bool LoadStepModel(StepFileParse& parse, const Handle(XSControl_WorkSession)& session,
                   const std::string& path);

} // namespace orvkit
