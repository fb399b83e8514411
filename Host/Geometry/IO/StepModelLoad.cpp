#include "StepModelLoad.h"

#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/StepRecordDecode.h"

#include <Interface_Check.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_GTool.hxx>
#include <Interface_GeneralLib.hxx>
#include <Interface_GeneralModule.hxx>
#include <Interface_Graph.hxx>
#include <Interface_HGraph.hxx>
#include <Interface_ReaderLib.hxx>
#include <Interface_ReportEntity.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Msg.hxx>
#include <OSD_Signal.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>
#include <StepData_FileRecognizer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_ReadWriteModule.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepData_StepReaderTool.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <cstdlib>
#include <string_view>
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

// The model as OpenCASCADE's reader tool loads it, from a reader data of every record.
void LoadByReaderTool(StepFileParse& parse, const Handle(StepData_StepModel)& model,
                      const Handle(StepData_Protocol)& protocol)
{
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
}

// Sets a work session's graph, which it otherwise only computes itself.
struct SessionGraph : XSControl_WorkSession {
    static void Set(XSControl_WorkSession& session, const Handle(Interface_HGraph)& graph)
    {
        session.*(&SessionGraph::thegraph) = graph;
    }
};

// A graph whose sharing lists are filled from outside instead of by asking every entity what
// it shares.
class FilledGraph : public Interface_Graph {
public:
    // Made while the model has no general tool, so that the graph's evaluation stops at the
    // empty lists.
    explicit FilledGraph(const Handle(Interface_InterfaceModel)& model)
        : Interface_Graph(model, Standard_False)
    {
    }

    // Records that entity `sharing` shares entity `shared`, both numbers in the model.
    void AddSharing(int shared, int sharing) { thesharings->ChangeValue(shared).Append(sharing); }
};

// The model loaded with the commonest entities decoded from the parse's records (see
// StepRecordDecode) and the others by OpenCASCADE's reader tool, record by record, as its
// LoadModel does: the same entities in the same order, with the same checks and reports. The
// graph's sharing lists of decoded entities come from their references.
class DecodingLoad : public StepRecordDecode::Links {
public:
    DecodingLoad(const StepFileParse& parse, EntityIndex& index,
                 const Handle(StepData_Protocol)& protocol)
        : myParse(parse), myIndex(index), myProtocol(protocol)
    {
    }

    void Load(const Handle(StepData_StepModel)& model);
    Handle(Interface_HGraph) MakeGraph(const Handle(StepData_StepModel)& model);

    StepRecordDecode::Params SubList(const StepFileParse::Param& param) const override
    {
        // The sub-lists of a record are the records just before it, named "$1", "$2", ...
        const int number = SubListNumber(param.text);
        for (int n = myCurrent - 1; n > 0 && myRecords[n].record->ident[0] == '$'; --n) {
            if (SubListNumber(myRecords[n].record->ident) == number) {
                return {myRecords[n].params, myRecords[n].record->paramCount};
            }
        }
        return {};
    }

    const Handle(Standard_Type)& ClassOf(const StepFileParse::Param& param) const override
    {
        static const Handle(Standard_Type) none;
        const int target = Target(param);
        return target > 0 && myRecords[target].type != nullptr ? myRecords[target].type->type
                                                               : none;
    }

    const Handle(Standard_Transient)& Entity(const StepFileParse::Param& param) const override
    {
        return myEntities[std::size_t(Target(param))];
    }

private:
    // What the load knows of each type name of the file.
    struct TypeInfo {
        StepRecordDecode::Kind kind = StepRecordDecode::None;
        // The class OpenCASCADE makes of a simple record of the type, null for none.
        Handle(Standard_Type) type;
    };

    struct Record {
        const StepFileParse::Record* record = nullptr;
        const StepFileParse::Param* params = nullptr;
        // Null for sub-lists, header records, the parts of complex entities and their first.
        const TypeInfo* type = nullptr;
        int modelNumber = 0;
        StepRecordDecode::Kind decoded = StepRecordDecode::None;
    };

    int Target(const StepFileParse::Param& param) const
    {
        return myIndex.Find(NameNumber(param.text, param.length));
    }

    const TypeInfo* InfoOf(const StepFileParse::Record& record);
    void Plan();
    Handle(StepData_StepReaderData) FillData(Resource_FormatType codePage) const;
    void MakeEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data);
    void LoadEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                      const Handle(StepData_StepModel)& model);
    Handle(Standard_Transient) LoadRecord(StepData_StepReaderTool& tool,
                                          StepData_StepReaderData& data,
                                          const Handle(StepData_StepModel)& model, int number);
    void Added(const Handle(StepData_StepModel)& model, int record);

    const StepFileParse& myParse;
    EntityIndex& myIndex;
    Handle(StepData_Protocol) myProtocol;
    std::vector<Record> myRecords; // by the record's number in the file, from 1
    std::vector<bool> myEmptied;   // records whose parameters the reader data leaves out
    std::vector<int> myRecordOfModel;
    std::vector<Handle(Standard_Transient)> myEntities;
    std::vector<Handle(Interface_ReportEntity)> myReports; // by record number in the file
    std::unordered_map<std::string_view, TypeInfo> myTypes;
    int myCurrent = 0; // the record being decoded, for its sub-lists
    int myKeptParams = 0;
};

const DecodingLoad::TypeInfo* DecodingLoad::InfoOf(const StepFileParse::Record& record)
{
    const auto [found, added] =
        myTypes.try_emplace(std::string_view(record.type, record.typeLength));
    TypeInfo& info = found->second;
    if (added) {
        info.kind = StepRecordDecode::KindOf(record.type, record.typeLength);
        // The class the protocol's recognition makes of the type, as the reader tool finds it.
        const TCollection_AsciiString name(record.type, int(record.typeLength));
        Interface_ReaderLib readers(myProtocol);
        for (readers.Start(); readers.More() && info.type.IsNull(); readers.Next()) {
            const Handle(StepData_ReadWriteModule) module =
                Handle(StepData_ReadWriteModule)::DownCast(readers.Module());
            const int caseNumber = module.IsNull() ? 0 : module->CaseStep(name);
            if (caseNumber <= 0) {
                continue;
            }
            Interface_GeneralLib general(readers.Protocol());
            for (general.Start(); general.More(); general.Next()) {
                Handle(Standard_Transient) entity;
                if (general.Protocol()->DynamicType() == readers.Protocol()->DynamicType() &&
                    general.Module()->NewVoid(caseNumber, entity)) {
                    info.type = entity->DynamicType();
                    break;
                }
            }
        }
    }
    return &info;
}

// Decides which records are decoded. The reader data keeps every record, so that its numbers
// (which its messages give) are the file's, but not the parameters of decoded records and of
// their sub-lists.
void DecodingLoad::Plan()
{
    myRecords.assign(std::size_t(myParse.GetRecordCount()) + 1, Record());
    int number = 0;
    for (const StepFileParse::Chunk& chunk : myParse.GetChunks()) {
        for (const StepFileParse::Record& record : chunk.records) {
            Record& entry = myRecords[std::size_t(++number)];
            entry.record = &record;
            entry.params = chunk.params.data() + record.firstParam;
        }
    }
    const int header = myParse.GetHeaderCount();
    int lastNamed = 0;
    for (int n = header + 1; n <= number; ++n) {
        const StepFileParse::Record& record = *myRecords[std::size_t(n)].record;
        if (record.ident[0] != '#') {
            continue;
        }
        if (NameNumber(record.ident, record.identLength) > 0) {
            myRecords[std::size_t(n)].type = InfoOf(record);
            lastNamed = n;
        } else if (lastNamed > 0) {
            // A part of a complex entity: its class is the recognition's to find.
            myRecords[std::size_t(lastNamed)].type = nullptr;
        }
    }
    myEmptied.assign(std::size_t(number) + 1, false);
    myKeptParams = myParse.GetParamCount();
    for (int n = header + 1; n <= number; ++n) {
        Record& entry = myRecords[std::size_t(n)];
        if (entry.type == nullptr || entry.type->kind == StepRecordDecode::None) {
            continue;
        }
        myCurrent = n;
        const StepRecordDecode::Params params{entry.params, entry.record->paramCount};
        if (!StepRecordDecode::Accepts(entry.type->kind, params, *this)) {
            continue;
        }
        entry.decoded = entry.type->kind;
        myEmptied[std::size_t(n)] = true;
        myKeptParams -= int(entry.record->paramCount);
        for (int s = n - 1; s > 0 && myRecords[std::size_t(s)].record->ident[0] == '$'; --s) {
            myEmptied[std::size_t(s)] = true;
            myKeptParams -= int(myRecords[std::size_t(s)].record->paramCount);
        }
    }
}

Handle(StepData_StepReaderData) DecodingLoad::FillData(Resource_FormatType codePage) const
{
    const int count = int(myRecords.size()) - 1;
    Handle(StepData_StepReaderData) data =
        new StepData_StepReaderData(myParse.GetHeaderCount(), count, myKeptParams, codePage);
    // A reference to a sub-list means its latest record, which comes before the record that
    // holds the reference.
    std::vector<int> subLists;
    for (int m = 1; m <= count; ++m) {
        const Record& entry = myRecords[std::size_t(m)];
        const StepFileParse::Record& record = *entry.record;
        const bool emptied = myEmptied[std::size_t(m)];
        data->SetRecord(m, record.ident, record.type,
                        emptied ? 0 : (record.paramCount > 0 ? 1 : 0));
        if (record.ident[0] == '$') {
            const std::size_t sub = std::size_t(SubListNumber(record.ident));
            subLists.resize(std::max(subLists.size(), sub + 1), 0);
            subLists[sub] = m;
        }
        if (!emptied) {
            const StepFileParse::Param* param = entry.params;
            for (std::uint32_t i = 0; i < record.paramCount; ++i, ++param) {
                int target = 0;
                if (param->kind == Interface_ParamIdent) {
                    target = Target(*param);
                } else if (param->kind == Interface_ParamSub) {
                    const std::size_t sub = std::size_t(SubListNumber(param->text));
                    target = sub < subLists.size() ? subLists[sub] : 0;
                }
                data->Interface_FileReaderData::AddParam(m, param->text, param->kind, target);
            }
        }
        data->InitParams(m);
    }
    return data;
}

// What the reader tool's SetEntities does, with decoded records made by the decoding.
void DecodingLoad::MakeEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data)
{
    myEntities.assign(myRecords.size(), Handle(Standard_Transient)());
    myReports.assign(myRecords.size(), Handle(Interface_ReportEntity)());
    for (int m = data.FindNextRecord(0); m > 0; m = data.FindNextRecord(m)) {
        const int n = m;
        Handle(Standard_Transient)& entity = myEntities[std::size_t(n)];
        const StepRecordDecode::Kind kind = myRecords[std::size_t(n)].decoded;
        if (kind != StepRecordDecode::None) {
            entity = StepRecordDecode::New(kind);
        } else {
            Handle(Interface_Check) check = new Interface_Check;
            if (!tool.Recognize(m, check, entity)) {
                entity = tool.UnknownEntity();
                myReports[std::size_t(n)] = new Interface_ReportEntity(check, entity);
            } else if (check->NbFails() + check->NbWarnings() > 0 && !entity.IsNull()) {
                myReports[std::size_t(n)] = new Interface_ReportEntity(check, entity);
            }
        }
        data.BindEntity(m, entity);
    }
}

void DecodingLoad::Added(const Handle(StepData_StepModel)& model, int record)
{
    const int count = model->NbEntities();
    if (count > int(myRecordOfModel.size()) - 1) {
        myRecordOfModel.push_back(record);
        myRecords[std::size_t(record)].modelNumber = count;
    }
}

// What the reader tool's LoadedEntity does for a record it reads.
Handle(Standard_Transient) DecodingLoad::LoadRecord(StepData_StepReaderTool& tool,
                                                    StepData_StepReaderData& data,
                                                    const Handle(StepData_StepModel)& model,
                                                    int number)
{
    const int n = number;
    Handle(Standard_Transient) entity = data.BoundEntity(number);
    Handle(Interface_ReportEntity)& report = myReports[std::size_t(n)];
    Handle(Interface_Check) check = report.IsNull() ? new Interface_Check(entity) : report->Check();
    if (tool.TraceLevel() >= 2 && myProtocol->IsUnknownEntity(entity) &&
        !tool.Messenger().IsNull()) {
        Message_Msg message("XSTEP_22");
        message.Arg(model->StringLabel(entity)->String());
        tool.Messenger()->Send(message, Message_Info);
    }
    tool.AnalyseRecord(number, entity, check);
    model->AddEntity(entity);
    Added(model, n);
    int fails = check->NbFails();
    if (fails + check->NbWarnings() > 0) {
        report = new Interface_ReportEntity(check, entity);
        if (tool.TraceLevel() >= 2 && !tool.Messenger().IsNull()) {
            Message_Messenger::StreamBuffer out = tool.Messenger()->SendInfo();
            check->Print(out, 2);
        }
    }
    if (data.IsErrorLoad()) {
        fails = data.ResetErrorLoad() ? 1 : 0;
    }
    if (fails > 0 && !report.IsNull()) {
        const Handle(Standard_Transient) unknown = tool.UnknownEntity();
        tool.AnalyseRecord(number, unknown, check);
        report->SetContent(unknown);
    }
    return entity;
}

// The reader tool's LoadModel, with decoded records filled from their parameters.
void DecodingLoad::LoadEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                                const Handle(StepData_StepModel)& model)
{
    const Handle(Message_Messenger) messenger = tool.Messenger();
    tool.SetModel(model);
    try {
        OCC_CATCH_SIGNALS
        tool.BeginRead(model);
    } catch (const Standard_Failure&) {
        if (!messenger.IsNull()) {
            messenger->Send(Message_Msg("XSTEP_11"), Message_Info);
        }
    }
    model->Reservate(data.NbEntities());
    myRecordOfModel.assign(1, 0);
    myRecordOfModel.reserve(std::size_t(data.NbEntities()) + 1);
    int next = data.FindNextRecord(0);
    while (next > 0) {
        int number = next;
        try {
            OCC_CATCH_SIGNALS
            for (number = next; number > 0; number = data.FindNextRecord(number)) {
                next = number;
                const int n = number;
                Record& entry = myRecords[std::size_t(n)];
                if (entry.decoded != StepRecordDecode::None) {
                    myCurrent = n;
                    StepRecordDecode::Fill(entry.decoded, myEntities[std::size_t(n)],
                                           {entry.params, entry.record->paramCount}, *this);
                    model->AddEntity(myEntities[std::size_t(n)]);
                    Added(model, n);
                } else if (LoadRecord(tool, data, model, number).IsNull() && !messenger.IsNull()) {
                    Message_Msg message("XSTEP_21");
                    message.Arg(model->NbEntities());
                    messenger->Send(message, Message_Info);
                }
            }
            next = 0;
        } catch (const Standard_Failure& failure) {
            // As the reader tool does: the record that raised is kept as an unknown entity
            // with the failure, and the load goes on with the next one.
            next = data.FindNextRecord(number);
            const bool signal = failure.IsKind(STANDARD_TYPE(OSD_Signal));
            const Handle(Standard_Transient) entity = data.BoundEntity(number);
            if (entity.IsNull()) {
                continue;
            }
            const Handle(Interface_Check) check = new Interface_Check(entity);
            Message_Msg failed("XSTEP_278");
            failed.Arg(model->StringLabel(entity));
            check->SendFail(failed);
            if (signal) {
                if (!messenger.IsNull()) {
                    Message_Msg message("XSTEP_22");
                    message.Arg(model->StringLabel(entity));
                    messenger->Send(message, Message_Info);
                }
                return;
            }
            const Handle(Interface_ReportEntity) report = new Interface_ReportEntity(check, entity);
            const Handle(Standard_Transient) unknown = tool.UnknownEntity();
            Handle(Interface_Check) contentCheck = check;
            tool.AnalyseRecord(number, unknown, contentCheck);
            report->SetContent(unknown);
            myReports[std::size_t(number)] = report;
            model->AddEntity(entity);
            Added(model, number);
        }
    }
    int reports = 0;
    for (const Handle(Interface_ReportEntity)& report : myReports) {
        reports += report.IsNull() ? 0 : 1;
    }
    if (reports > 0) {
        if (tool.TraceLevel() > 0 && !messenger.IsNull()) {
            Message_Msg message("XSTEP_24");
            message.Arg(reports);
            messenger->Send(message, Message_Info);
        }
        model->Reservate(-reports - 10);
        for (std::size_t n = 0; n < myReports.size(); ++n) {
            if (!myReports[n].IsNull()) {
                model->SetReportEntity(-model->Number(myEntities[n]), myReports[n]);
            }
        }
    }
    try {
        OCC_CATCH_SIGNALS
        tool.EndRead(model);
    } catch (const Standard_Failure&) {
        if (!messenger.IsNull()) {
            messenger->Send(Message_Msg("XSTEP_11"), Message_Info);
        }
    }
}

void DecodingLoad::Load(const Handle(StepData_StepModel)& model)
{
    Plan();
    Handle(StepData_StepReaderData) data = FillData(model->SourceCodePage());
    StepData_StepReaderTool tool(data, myProtocol);
    tool.SetErrorHandle(Standard_True);
    tool.PrepareHeader(Handle(StepData_FileRecognizer)());
    try {
        OCC_CATCH_SIGNALS
        MakeEntities(tool, *data);
    } catch (const Standard_Failure& failure) {
        Message::SendInfo() << " Exception Raised during Preparation :\n"
                            << failure.GetMessageString()
                            << "\n Now, trying to continue, but with presomption of failure\n";
    }
    LoadEntities(tool, *data, model);
    if (model->Protocol().IsNull()) {
        model->SetProtocol(myProtocol);
    }
    tool.Clear();
}

// The graph OpenCASCADE's evaluation makes: entity i is in the sharing list of each entity it
// shares, once for each time it shares it, lists in ascending order of i. A decoded entity
// shares exactly what its record references; any other is asked, as the evaluation does.
Handle(Interface_HGraph) DecodingLoad::MakeGraph(const Handle(StepData_StepModel)& model)
{
    const Handle(Interface_GTool) tool = model->GTool();
    model->SetGTool(Handle(Interface_GTool)());
    FilledGraph graph(model);
    model->SetGTool(tool);
    const int count = model->NbEntities();
    for (int i = 1; i <= count; ++i) {
        const int n = i < int(myRecordOfModel.size()) ? myRecordOfModel[std::size_t(i)] : 0;
        const Record* entry = n > 0 ? &myRecords[std::size_t(n)] : nullptr;
        if (entry != nullptr && entry->decoded != StepRecordDecode::None &&
            myEntities[std::size_t(n)] == model->Value(i)) {
            const auto share = [&](const StepFileParse::Param& param) {
                if (param.kind != Interface_ParamIdent) {
                    return;
                }
                const int shared = myRecords[std::size_t(Target(param))].modelNumber;
                if (shared > 0 && shared != i) {
                    graph.AddSharing(shared, i);
                }
            };
            myCurrent = n;
            const StepRecordDecode::Params params{entry->params, entry->record->paramCount};
            for (std::uint32_t p = 0; p < params.count; ++p) {
                share(params.first[p]);
            }
            StepRecordDecode::ForEachSubList(params, [&](const StepFileParse::Param& sub) {
                const StepRecordDecode::Params list = SubList(sub);
                for (std::uint32_t p = 0; p < list.count; ++p) {
                    share(list.first[p]);
                }
            });
            continue;
        }
        const Handle(Standard_Transient)& entity = model->Value(i);
        for (Interface_EntityIterator shared = graph.Shareds(entity); shared.More();
             shared.Next()) {
            if (shared.Value() == entity) {
                continue;
            }
            const int number = model->Number(shared.Value());
            if (number > 0) {
                graph.AddSharing(number, i);
            }
        }
    }
    return new Interface_HGraph(graph);
}

} // namespace

bool LoadStepModel(StepFileParse& parse, const Handle(XSControl_WorkSession)& session,
                   const std::string& path, StepModelLoading loading)
{
    const Handle(StepData_Protocol) protocol =
        Handle(StepData_Protocol)::DownCast(session->Protocol());
    if (protocol.IsNull()) {
        return false;
    }
    const Handle(StepData_StepModel) model = new StepData_StepModel;
    EntityIndex index;
    if (loading == StepModelLoading::Decoding && index.Build(parse)) {
        // The session takes the model while it is empty, which spares computing a graph that
        // is made from the records below.
        session->SetModel(model);
        DecodingLoad load(parse, index, protocol);
        load.Load(model);
        SessionGraph::Set(*session, load.MakeGraph(model));
        // As the session does when it takes a loaded model: the semantic checks are made once
        // the graph is there, and marked as to be made again.
        session->ComputeCheck();
        session->ClearData(3);
    } else {
        LoadByReaderTool(parse, model, protocol);
        session->SetModel(model);
    }
    parse.ReleaseRecords();
    session->SetLoadedFile(path.c_str());
    session->InitTransferReader(4);
    return true;
}

} // namespace orvkit
