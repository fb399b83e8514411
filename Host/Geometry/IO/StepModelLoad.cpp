#include "StepModelLoad.h"

#include "Geometry/IO/StepFileParse.h"

#include <Interface_Check.hxx>
#include <Message.hxx>
#include <StepData_FileRecognizer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepData_StepReaderTool.hxx>
#include <XSControl_WorkSession.hxx>

namespace orvkit {

namespace {

Handle(StepData_StepReaderData) FillReaderData(const StepFileParse& parse,
                                               Resource_FormatType codePage)
{
    Handle(StepData_StepReaderData) data = new StepData_StepReaderData(
        parse.GetHeaderCount(), parse.GetRecordCount(), parse.GetParamCount(), codePage);
    int number = 0;
    for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
        for (const StepFileParse::Record& record : chunk.records) {
            ++number;
            data->SetRecord(number, record.ident, record.type, record.paramCount > 0 ? 1 : 0);
            const StepFileParse::Param* param = chunk.params.data() + record.firstParam;
            for (std::uint32_t i = 0; i < record.paramCount; ++i, ++param) {
                data->AddStepParam(number, param->text, param->kind);
            }
            data->InitParams(number);
        }
    }
    return data;
}

} // namespace

bool LoadStepModel(StepFileParse& parse, const Handle(XSControl_WorkSession)& session,
                   const std::string& path)
{
    const Handle(StepData_Protocol) protocol =
        Handle(StepData_Protocol)::DownCast(session->Protocol());
    if (protocol.IsNull()) {
        return false;
    }
    const Handle(StepData_StepModel) model = new StepData_StepModel;
    Handle(StepData_StepReaderData) data = FillReaderData(parse, model->SourceCodePage());
    parse.ReleaseRecords();

    const int failsBefore = data->GlobalCheck()->NbFails();
    StepData_StepReaderTool tool(data, protocol);
    tool.SetErrorHandle(Standard_True);
    const Handle(StepData_FileRecognizer) noRecognizer;
    tool.PrepareHeader(noRecognizer);
    tool.Prepare(noRecognizer);
    tool.LoadModel(model);
    if (model->Protocol().IsNull()) {
        model->SetProtocol(protocol);
    }
    // OpenCASCADE's parser says the same after loading a file with dangling references.
    const int unresolved = data->GlobalCheck()->NbFails() - failsBefore;
    if (unresolved > 0) {
        Message::SendInfo() << "*** ERR StepReaderData : Unresolved Reference : Fails Count : "
                            << unresolved << " ***";
    }
    tool.Clear();
    data.Nullify();

    session->SetModel(model);
    session->SetLoadedFile(path.c_str());
    session->InitTransferReader(4);
    return true;
}

} // namespace orvkit
