#include "StepModelLoad.h"

#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/StepIdentifiedItems.h"
#include "Geometry/IO/StepRecordDecode.h"
#include "Geometry/IO/StepToleranceMagnitudes.h"

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
#include <NCollection_IncAllocator.hxx>
#include <OSD_Signal.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>
#include <StepData_FileRecognizer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_ReadWriteModule.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepData_StepReaderTool.hxx>
#include <TColStd_HArray1OfListOfInteger.hxx>
#include <TColStd_SequenceOfAsciiString.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
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
// reference names an entity of the file. The load then resolves references itself, which
// spares OpenCASCADE's own resolution (a map of all names and a pass over all parameters), and
// decodes entities. Any other file is resolved by OpenCASCADE, with its checks for names given
// twice and dangling references.
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

// The model as OpenCASCADE's reader tool loads it after its own parse, for a file in which a
// name is given twice or a reference names no entity: the tool resolves the references, with
// its checks for both, and reads every entity.
void LoadByReaderTool(StepFileParse& parse, const Handle(StepData_StepModel)& model,
                      const Handle(StepData_Protocol)& protocol)
{
    Handle(StepData_StepReaderData) data =
        new StepData_StepReaderData(parse.GetHeaderCount(), parse.GetRecordCount(),
                                    parse.GetParamCount(), model->SourceCodePage());
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
    parse.ReleaseRecords();

    const int failsBefore = data->GlobalCheck()->NbFails();
    StepData_StepReaderTool tool(data, protocol);
    tool.SetErrorHandle(Standard_True);
    const Handle(StepData_FileRecognizer) noRecognizer;
    tool.PrepareHeader(noRecognizer);
    tool.Prepare(noRecognizer);
    tool.LoadModel(model);
    LinkToleranceMagnitudes(*data);
    LinkIdentifiedItemSets(*data);
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
        : Interface_Graph(model, Standard_False), myNodes(new NCollection_IncAllocator)
    {
    }

    // Records that entity `sharing` shares entity `shared`, both numbers in the model. The
    // lists' nodes come from blocks that go with the last list.
    void AddSharing(int shared, int sharing)
    {
        TColStd_ListOfInteger& list = thesharings->ChangeValue(shared);
        if (list.IsEmpty()) {
            list.Clear(myNodes);
        }
        list.Append(sharing);
    }

private:
    Handle(NCollection_IncAllocator) myNodes;
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
                const StepFileParse::Record& record = *myRecords[n].record;
                return {myRecords[n].params, record.paramCount,
                        std::string_view(record.type, record.typeLength)};
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

    int PartCount() const override
    {
        int count = 0;
        ForEachPart(myCurrent, [&](int) { ++count; });
        return count;
    }

    StepRecordDecode::Params Part(int index) const override
    {
        StepRecordDecode::Params params;
        ForEachPart(myCurrent, [&](int n) {
            if (index-- == 0) {
                params = {myRecords[std::size_t(n)].params,
                          myRecords[std::size_t(n)].record->paramCount,
                          {}};
            }
        });
        return params;
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
        // Null for sub-lists, header records and the parts of complex entities after the first.
        const TypeInfo* type = nullptr;
        int modelNumber = 0;
        StepRecordDecode::Kind decoded = StepRecordDecode::None;
    };

    int Target(const StepFileParse::Param& param) const
    {
        return myIndex.Find(NameNumber(param.text, param.length));
    }

    // Calls `visit` with the record of entity `n` and each further part of it, when complex.
    template <typename Visit> void ForEachPart(int n, Visit visit) const
    {
        visit(n);
        for (int next = n + 1; next < int(myRecords.size()); ++next) {
            const StepFileParse::Record& record = *myRecords[std::size_t(next)].record;
            if (record.ident[0] == '$') {
                continue;
            }
            if (record.ident[0] != '#' || NameNumber(record.ident, record.identLength) != 0) {
                return;
            }
            visit(next);
        }
    }

    // Calls `visit` with every record of entity `n`: its parts and their sub-lists.
    template <typename Visit> void ForEachOwnRecord(int n, Visit visit) const
    {
        ForEachPart(n, [&](int part) {
            for (int s = part - 1; s > 0 && myRecords[std::size_t(s)].record->ident[0] == '$';
                 --s) {
                visit(s);
            }
            visit(part);
        });
    }

    template <typename CaseOf> Handle(Standard_Type) ClassOfCase(CaseOf caseOf) const;
    const TypeInfo* InfoOf(const StepFileParse::Record& record);
    const TypeInfo* ComplexInfoOf(int head);
    void Plan();
    Handle(StepData_StepReaderData) FillData(Resource_FormatType codePage) const;
    void MakeEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data);
    void LoadEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                      const Handle(StepData_StepModel)& model);
    bool AddEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                     const Handle(StepData_StepModel)& model);
    void AddEntity(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                   const Handle(StepData_StepModel)& model, int n);
    bool KeepFailedEntity(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                          const Handle(StepData_StepModel)& model, int number, bool signal);
    void AttachReports(StepData_StepReaderTool& tool, const Handle(StepData_StepModel)& model);
    void LabelDecodedEntities(const Handle(StepData_StepModel)& model);
    Handle(Standard_Transient) LoadRecord(StepData_StepReaderTool& tool,
                                          StepData_StepReaderData& data,
                                          const Handle(StepData_StepModel)& model, int number);
    void Added(const Handle(StepData_StepModel)& model, int record);

    const StepFileParse& myParse;
    EntityIndex& myIndex;
    Handle(StepData_Protocol) myProtocol;
    std::vector<Record> myRecords;    // by the record's number in the file, from 1
    std::vector<bool> myEmptied;      // records the reader data leaves empty
    std::vector<int> myEntityRecords; // the records of entities, in the file's order
    std::vector<int> myRecordOfModel;
    std::vector<Handle(Standard_Transient)> myEntities;
    // By record number in the file: the few records whose reading said something.
    std::map<int, Handle(Interface_ReportEntity)> myReports;
    std::unordered_map<std::string_view, TypeInfo> myTypes;
    std::unordered_map<std::string, TypeInfo> myComplexTypes;
    int myCurrent = 0; // the record being decoded, for its sub-lists
    int myKeptParams = 0;
};

// The class the protocol's recognition makes of a record whose case number `caseOf` gives, as
// the reader tool finds it; null for none.
template <typename CaseOf> Handle(Standard_Type) DecodingLoad::ClassOfCase(CaseOf caseOf) const
{
    Interface_ReaderLib readers(myProtocol);
    for (readers.Start(); readers.More(); readers.Next()) {
        const Handle(StepData_ReadWriteModule) module =
            Handle(StepData_ReadWriteModule)::DownCast(readers.Module());
        const int caseNumber = module.IsNull() ? 0 : caseOf(module);
        if (caseNumber <= 0) {
            continue;
        }
        Interface_GeneralLib general(readers.Protocol());
        for (general.Start(); general.More(); general.Next()) {
            Handle(Standard_Transient) entity;
            if (general.Protocol()->DynamicType() == readers.Protocol()->DynamicType() &&
                general.Module()->NewVoid(caseNumber, entity)) {
                return entity->DynamicType();
            }
        }
        return Handle(Standard_Type)();
    }
    return Handle(Standard_Type)();
}

const DecodingLoad::TypeInfo* DecodingLoad::InfoOf(const StepFileParse::Record& record)
{
    const auto [found, added] =
        myTypes.try_emplace(std::string_view(record.type, record.typeLength));
    TypeInfo& info = found->second;
    if (added) {
        info.kind = StepRecordDecode::KindOf(record.type, record.typeLength);
        const TCollection_AsciiString name(record.type, int(record.typeLength));
        info.type = ClassOfCase(
            [&](const Handle(StepData_ReadWriteModule)& module) { return module->CaseStep(name); });
    }
    return &info;
}

// The class of a complex entity, from the types of its parts as the recognition finds it; the
// load never decodes one.
const DecodingLoad::TypeInfo* DecodingLoad::ComplexInfoOf(int head)
{
    TColStd_SequenceOfAsciiString parts;
    std::string key;
    ForEachPart(head, [&](int n) {
        const StepFileParse::Record& record = *myRecords[std::size_t(n)].record;
        parts.Append(TCollection_AsciiString(record.type, int(record.typeLength)));
        key.append(record.type, record.typeLength).push_back(' ');
    });
    const auto [found, added] = myComplexTypes.try_emplace(key);
    if (added) {
        found->second.kind = StepRecordDecode::KindOfComplex(key);
        found->second.type = ClassOfCase([&](const Handle(StepData_ReadWriteModule)& module) {
            return module->CaseStep(parts);
        });
    }
    return &found->second;
}

// Decides which records are decoded. The reader data has as many records as the file, so that
// its numbers (which its messages give) are the file's, but leaves decoded records and their
// sub-lists empty.
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
    std::vector<int> complexHeads;
    for (int n = header + 1; n <= number; ++n) {
        const StepFileParse::Record& record = *myRecords[std::size_t(n)].record;
        if (record.ident[0] != '#') {
            continue;
        }
        if (NameNumber(record.ident, record.identLength) > 0) {
            myRecords[std::size_t(n)].type = InfoOf(record);
            myEntityRecords.push_back(n);
            lastNamed = n;
        } else if (lastNamed > 0 && (complexHeads.empty() || complexHeads.back() != lastNamed)) {
            complexHeads.push_back(lastNamed);
        }
    }
    for (const int head : complexHeads) {
        myRecords[std::size_t(head)].type = ComplexInfoOf(head);
    }
    myEmptied.assign(std::size_t(number) + 1, false);
    for (const int n : myEntityRecords) {
        Record& entry = myRecords[std::size_t(n)];
        if (entry.type->kind == StepRecordDecode::None) {
            continue;
        }
        myCurrent = n;
        const StepRecordDecode::Params params{entry.params, entry.record->paramCount, {}};
        if (!StepRecordDecode::Accepts(entry.type->kind, params, *this)) {
            continue;
        }
        entry.decoded = entry.type->kind;
        ForEachOwnRecord(n, [&](int own) { myEmptied[std::size_t(own)] = true; });
    }
    for (int n = 1; n <= number; ++n) {
        myKeptParams +=
            myEmptied[std::size_t(n)] ? 0 : int(myRecords[std::size_t(n)].record->paramCount);
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
        if (myEmptied[std::size_t(m)]) {
            data->InitParams(m);
            continue;
        }
        data->SetRecord(m, record.ident, record.type, record.paramCount > 0 ? 1 : 0);
        if (record.ident[0] == '$') {
            const std::size_t sub = std::size_t(SubListNumber(record.ident));
            subLists.resize(std::max(subLists.size(), sub + 1), 0);
            subLists[sub] = m;
        }
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
        data->InitParams(m);
    }
    return data;
}

// What the reader tool's SetEntities does, with decoded records made by the decoding.
void DecodingLoad::MakeEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data)
{
    myEntities.assign(myRecords.size(), Handle(Standard_Transient)());
    myReports.clear();
    // A check that took no message serves the next record.
    Handle(Interface_Check) check = new Interface_Check;
    for (const int n : myEntityRecords) {
        Handle(Standard_Transient)& entity = myEntities[std::size_t(n)];
        const StepRecordDecode::Kind kind = myRecords[std::size_t(n)].decoded;
        if (kind != StepRecordDecode::None) {
            entity = StepRecordDecode::New(kind);
        } else if (!tool.Recognize(n, check, entity)) {
            entity = tool.UnknownEntity();
            myReports[n] = new Interface_ReportEntity(check, entity);
            check = new Interface_Check;
        } else if (check->NbFails() + check->NbWarnings() > 0) {
            if (!entity.IsNull()) {
                myReports[n] = new Interface_ReportEntity(check, entity);
            }
            check = new Interface_Check;
        }
        data.BindEntity(n, entity);
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
    Handle(Standard_Transient) entity = data.BoundEntity(number);
    const auto recognised = myReports.find(number);
    Handle(Interface_ReportEntity) report =
        recognised == myReports.end() ? Handle(Interface_ReportEntity)() : recognised->second;
    Handle(Interface_Check) check = report.IsNull() ? new Interface_Check(entity) : report->Check();
    if (tool.TraceLevel() >= 2 && myProtocol->IsUnknownEntity(entity) &&
        !tool.Messenger().IsNull()) {
        Message_Msg message("XSTEP_22");
        message.Arg(model->StringLabel(entity)->String());
        tool.Messenger()->Send(message, Message_Info);
    }
    tool.AnalyseRecord(number, entity, check);
    model->AddEntity(entity);
    Added(model, number);
    int fails = check->NbFails();
    if (fails + check->NbWarnings() > 0) {
        report = new Interface_ReportEntity(check, entity);
        myReports[number] = report;
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
    // The header and the end of the reading, each under the reader tool's guard.
    const auto guarded =
        [&](void (StepData_StepReaderTool::*step)(const Handle(Interface_InterfaceModel)&)) {
            try {
                OCC_CATCH_SIGNALS(tool.*step)(model);
            } catch (const Standard_Failure&) {
                if (!messenger.IsNull()) {
                    messenger->Send(Message_Msg("XSTEP_11"), Message_Info);
                }
            }
        };
    tool.SetModel(model);
    guarded(&StepData_StepReaderTool::BeginRead);
    if (!AddEntities(tool, data, model)) {
        return;
    }
    AttachReports(tool, model);
    guarded(&StepData_StepReaderTool::EndRead);
    LabelDecodedEntities(model);
}

// Adds the entity of every record to the model in the file's order, under the reader tool's
// guard; false when a signal stopped the load, which then goes no further.
bool DecodingLoad::AddEntities(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                               const Handle(StepData_StepModel)& model)
{
    const std::size_t count = myEntityRecords.size();
    model->Reservate(int(count));
    myRecordOfModel.assign(1, 0);
    myRecordOfModel.reserve(count + 1);
    std::size_t next = 0;
    while (next < count) {
        std::size_t at = next;
        try {
            OCC_CATCH_SIGNALS
            for (; at < count; ++at) {
                AddEntity(tool, data, model, myEntityRecords[at]);
            }
            next = count;
        } catch (const Standard_Failure& failure) {
            // As the reader tool does: the load goes on with the next record.
            next = at + 1;
            if (!KeepFailedEntity(tool, data, model, myEntityRecords[at],
                                  failure.IsKind(STANDARD_TYPE(OSD_Signal)))) {
                return false;
            }
        }
    }
    return true;
}

// Adds the entity of record `n`: a decoded one filled from its parameters, any other read by
// the reader tool.
void DecodingLoad::AddEntity(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                             const Handle(StepData_StepModel)& model, int n)
{
    Record& entry = myRecords[std::size_t(n)];
    if (entry.decoded != StepRecordDecode::None) {
        myCurrent = n;
        StepRecordDecode::Fill(entry.decoded, myEntities[std::size_t(n)],
                               {entry.params, entry.record->paramCount, {}}, *this);
        model->AddEntity(myEntities[std::size_t(n)]);
        Added(model, n);
    } else if (LoadRecord(tool, data, model, n).IsNull() && !tool.Messenger().IsNull()) {
        Message_Msg message("XSTEP_21");
        message.Arg(model->NbEntities());
        tool.Messenger()->Send(message, Message_Info);
    }
}

// As the reader tool does with a record whose reading raised: its entity is kept as an unknown
// one with the failure. False after a signal, which ends the load.
bool DecodingLoad::KeepFailedEntity(StepData_StepReaderTool& tool, StepData_StepReaderData& data,
                                    const Handle(StepData_StepModel)& model, int number,
                                    bool signal)
{
    const Handle(Standard_Transient) entity = data.BoundEntity(number);
    if (entity.IsNull()) {
        return true;
    }
    const Handle(Interface_Check) check = new Interface_Check(entity);
    Message_Msg failed("XSTEP_278");
    failed.Arg(model->StringLabel(entity));
    check->SendFail(failed);
    if (signal) {
        if (!tool.Messenger().IsNull()) {
            Message_Msg message("XSTEP_22");
            message.Arg(model->StringLabel(entity));
            tool.Messenger()->Send(message, Message_Info);
        }
        return false;
    }
    const Handle(Interface_ReportEntity) report = new Interface_ReportEntity(check, entity);
    const Handle(Standard_Transient) unknown = tool.UnknownEntity();
    Handle(Interface_Check) contentCheck = check;
    tool.AnalyseRecord(number, unknown, contentCheck);
    report->SetContent(unknown);
    myReports[number] = report;
    model->AddEntity(entity);
    Added(model, number);
    return true;
}

// Gives the model the reports of the records whose reading said something.
void DecodingLoad::AttachReports(StepData_StepReaderTool& tool,
                                 const Handle(StepData_StepModel)& model)
{
    if (myReports.empty()) {
        return;
    }
    const int reports = int(myReports.size());
    if (tool.TraceLevel() > 0 && !tool.Messenger().IsNull()) {
        Message_Msg message("XSTEP_24");
        message.Arg(reports);
        tool.Messenger()->Send(message, Message_Info);
    }
    model->Reservate(-reports - 10);
    for (const auto& [n, report] : myReports) {
        model->SetReportEntity(-model->Number(myEntities[std::size_t(n)]), report);
    }
}

// The numbers entities have in the file: the reader tool gives those of the records it holds,
// the load those of the decoded ones.
void DecodingLoad::LabelDecodedEntities(const Handle(StepData_StepModel)& model)
{
    for (const int n : myEntityRecords) {
        const Record& entry = myRecords[std::size_t(n)];
        if (entry.decoded != StepRecordDecode::None && entry.modelNumber > 0) {
            model->SetIdentLabel(myEntities[std::size_t(n)],
                                 NameNumber(entry.record->ident, entry.record->identLength));
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
    LinkToleranceMagnitudes(*data);
    LinkIdentifiedItemSets(*data);
    if (model->Protocol().IsNull()) {
        model->SetProtocol(myProtocol);
    }
    tool.Clear();
    data.Nullify();
}

// The graph OpenCASCADE's evaluation makes: entity i is in the sharing list of each entity it
// shares, once for each time it shares it, lists in ascending order of i. A decoded entity
// shares exactly what its records reference; any other is asked, as the evaluation does.
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
            ForEachOwnRecord(n, [&](int own) {
                const Record& record = myRecords[std::size_t(own)];
                for (std::uint32_t p = 0; p < record.record->paramCount; ++p) {
                    share(record.params[p]);
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
                   const std::string& path)
{
    const Handle(StepData_Protocol) protocol =
        Handle(StepData_Protocol)::DownCast(session->Protocol());
    if (protocol.IsNull()) {
        return false;
    }
    const Handle(StepData_StepModel) model = new StepData_StepModel;
    EntityIndex index;
    if (index.Build(parse)) {
        // The session takes the model while it is empty, which spares computing a graph that
        // is made from the records below.
        session->SetModel(model);
        DecodingLoad load(parse, index, protocol);
        load.Load(model);
        SessionGraph::Set(*session, load.MakeGraph(model));
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
