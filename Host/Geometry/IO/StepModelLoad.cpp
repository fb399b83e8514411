#include "StepModelLoad.h"

#include "Geometry/IO/StepFileParse.h"

#include <Interface_Check.hxx>
#include <Message.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>
#include <StepData_FileRecognizer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepData_StepReaderTool.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace orvkit {

namespace {

// The number in an entity name or reference ("#12"), or -1 when it is not one OpenCASCADE
// reads the same way (it reads them with atoi, which overflows past nine digits).
int NameNumber(const char* text, std::uint32_t length)
{
    if (length < 2 || length > 10 || text[0] != '#') {
        return -1;
    }
    int number = 0;
    for (std::uint32_t i = 1; i < length; ++i) {
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

// The record each entity name stands for, built when every name is given once and every
// reference names an entity of the file. The reader data is then given its references already
// resolved, which spares OpenCASCADE's own resolution (a map of all names and a pass over all
// parameters, a tenth of its reading). Any other file is resolved by OpenCASCADE, with its
// checks for names given twice and dangling references.
class EntityIndex {
public:
    bool Build(const StepFileParse& parse)
    {
        int largest = 0;
        for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
            for (const StepFileParse::Record& record : chunk.records) {
                largest = std::max(largest, NameNumber(record.ident, record.identLength));
            }
        }
        // Names are dense in nearly every file; a sparse numbering takes a hash map.
        myDense = largest <= 4 * parse.GetRecordCount() + 1024;
        if (myDense) {
            myRecords.assign(std::size_t(largest) + 1, 0);
        } else {
            mySparse.reserve(std::size_t(parse.GetRecordCount()));
        }
        int number = 0;
        for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
            for (const StepFileParse::Record& record : chunk.records) {
                ++number;
                const int name = NameNumber(record.ident, record.identLength);
                if (record.ident[0] == '#' && (name < 0 || (name > 0 && !Add(name, number)))) {
                    return false;
                }
            }
        }
        for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
            for (const StepFileParse::Param& param : chunk.params) {
                if (param.kind == Interface_ParamIdent &&
                    Find(NameNumber(param.text, param.length)) == 0) {
                    return false;
                }
            }
        }
        return true;
    }

    // The record named #`name`, 0 when none is.
    int Find(int name) const
    {
        if (name <= 0) {
            return 0;
        }
        if (myDense) {
            return std::size_t(name) < myRecords.size() ? myRecords[std::size_t(name)] : 0;
        }
        const auto found = mySparse.find(name);
        return found == mySparse.end() ? 0 : found->second;
    }

private:
    bool Add(int name, int record)
    {
        if (myDense) {
            int& slot = myRecords[std::size_t(name)];
            if (slot != 0) {
                return false;
            }
            slot = record;
            return true;
        }
        return mySparse.emplace(name, record).second;
    }

    bool myDense = true;
    std::vector<int> myRecords;
    std::unordered_map<int, int> mySparse;
};

// The number of a sub-list's name or reference ("$3").
int SubListNumber(const char* text)
{
    return std::atoi(text + 1);
}

Handle(StepData_StepReaderData)
FillReaderData(const StepFileParse& parse, Resource_FormatType codePage, const EntityIndex* index)
{
    Handle(StepData_StepReaderData) data = new StepData_StepReaderData(
        parse.GetHeaderCount(), parse.GetRecordCount(), parse.GetParamCount(), codePage);
    // A sub-list is named again in every entity; a reference to it means its latest record,
    // which comes before the record that holds the reference.
    std::vector<int> subLists;
    int number = 0;
    for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
        for (const StepFileParse::Record& record : chunk.records) {
            ++number;
            data->SetRecord(number, record.ident, record.type, record.paramCount > 0 ? 1 : 0);
            if (index != nullptr && record.ident[0] == '$') {
                const std::size_t sub = std::size_t(SubListNumber(record.ident));
                subLists.resize(std::max(subLists.size(), sub + 1), 0);
                subLists[sub] = number;
            }
            const StepFileParse::Param* param = chunk.params.data() + record.firstParam;
            for (std::uint32_t i = 0; i < record.paramCount; ++i, ++param) {
                if (index == nullptr) {
                    data->AddStepParam(number, param->text, param->kind);
                    continue;
                }
                int target = 0;
                if (param->kind == Interface_ParamIdent) {
                    target = index->Find(NameNumber(param->text, param->length));
                } else if (param->kind == Interface_ParamSub) {
                    const std::size_t sub = std::size_t(SubListNumber(param->text));
                    target = sub < subLists.size() ? subLists[sub] : 0;
                }
                data->Interface_FileReaderData::AddParam(number, param->text, param->kind, target);
            }
            data->InitParams(number);
        }
    }
    return data;
}

// What StepData_StepReaderTool::Prepare does after resolving the references: an empty entity
// of its type for each record, under the same guard.
void MakeEntities(StepData_StepReaderTool& tool)
{
    try {
        OCC_CATCH_SIGNALS
        tool.SetEntities();
    } catch (const Standard_Failure& failure) {
        Message::SendInfo() << " Exception Raised during Preparation :\n"
                            << failure.GetMessageString()
                            << "\n Now, trying to continue, but with presomption of failure\n";
    }
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
    EntityIndex index;
    const bool resolved = index.Build(parse);
    Handle(StepData_StepReaderData) data =
        FillReaderData(parse, model->SourceCodePage(), resolved ? &index : nullptr);
    parse.ReleaseRecords();
    index = EntityIndex();

    const int failsBefore = data->GlobalCheck()->NbFails();
    StepData_StepReaderTool tool(data, protocol);
    tool.SetErrorHandle(Standard_True);
    const Handle(StepData_FileRecognizer) noRecognizer;
    tool.PrepareHeader(noRecognizer);
    if (resolved) {
        MakeEntities(tool);
    } else {
        tool.Prepare(noRecognizer);
    }
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
