#include "StepModels.h"

#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/StepModelLoad.h"
#include "Geometry/IO/StepRecordDecode.h"
#include "Geometry/IO/TranslatorLock.h"

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Check.hxx>
#include <Interface_Graph.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Type.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepWriter.hxx>
#include <StepData_WriterLib.hxx>
#include <StepFile_ReadData.hxx>
#include <TColStd_HArray1OfListOfInteger.hxx>
#include <XSControl_WorkSession.hxx>
#include <step.tab.hxx>

#include <memory>
#include <optional>
#include <set>
#include <sstream>

namespace orvtest {

namespace {

void DescribeCheck(std::ostringstream& out, const char* what, const Handle(Interface_Check)& check)
{
    if (check.IsNull()) {
        return;
    }
    for (int i = 1; i <= check->NbFails(); ++i) {
        out << what << " fail: " << check->CFail(i) << "\n";
    }
    for (int i = 1; i <= check->NbWarnings(); ++i) {
        out << what << " warning: " << check->CWarning(i) << "\n";
    }
}

std::string DescribeSharings(const Interface_Graph& graph)
{
    std::ostringstream out;
    for (int i = 1; i <= graph.Size(); ++i) {
        out << i << ":";
        for (TColStd_ListIteratorOfListOfInteger sharing(graph.SharingTable()->Value(i));
             sharing.More(); sharing.Next()) {
            out << " " << sharing.Value();
        }
        out << "\n";
    }
    return out.str();
}

} // namespace

std::string DescribeStepModel(const Handle(StepData_StepModel)& model)
{
    std::ostringstream out;
    if (model.IsNull()) {
        return "no model";
    }
    const int count = model->NbEntities();
    out << count << " entities\n";
    for (int i = 1; i <= count; ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        out << "#" << model->IdentLabel(entity) << " " << entity->DynamicType()->Name() << "\n";
        const std::string label = "#" + std::to_string(model->IdentLabel(entity));
        DescribeCheck(out, label.c_str(), model->Check(i, Standard_True));
    }
    DescribeCheck(out, "model", model->GlobalCheck(Standard_True));
    const Handle(StepData_Protocol) protocol =
        Handle(StepData_Protocol)::DownCast(model->Protocol());
    // The header, then the entities of the classes the kernel decodes itself, written out.
    // Both loads read every other entity with OpenCASCADE's own code, so its class, checks and
    // sharings tell them apart; and OpenCASCADE 7.6's writer does not end on some of them (it
    // fills memory with a surface style rendering's properties, for one).
    std::set<Handle(Standard_Type)> decoded;
    for (int kind = orvkit::StepRecordDecode::CartesianPoint;
         kind <= orvkit::StepRecordDecode::LastKind; ++kind) {
        decoded.insert(
            orvkit::StepRecordDecode::New(orvkit::StepRecordDecode::Kind(kind))->DynamicType());
    }
    StepData_StepWriter writer(model);
    writer.SendModel(protocol, Standard_True);
    const StepData_WriterLib library(protocol);
    for (int i = 1; i <= count; ++i) {
        // An entity whose reading failed is read by OpenCASCADE in both loads (the kernel
        // decodes none) and its checks are above; the writer of its undefined content crashes
        // on a reference past any entity number.
        if (decoded.count(model->Value(i)->DynamicType()) > 0 && !model->IsRedefinedContent(i)) {
            writer.SendEntity(i, library);
        }
    }
    std::ostringstream text;
    writer.Print(text);
    out << text.str();
    return out.str();
}

std::string FlattenStepParse(const orvkit::StepFileParse& parse)
{
    std::string out = std::to_string(parse.GetHeaderCount()) + " header records\n";
    for (const orvkit::StepFileParse::Chunk& chunk : parse.GetChunks()) {
        for (const orvkit::StepFileParse::Record& record : chunk.records) {
            out += std::string(record.ident) + " " + record.type + ":";
            for (std::uint32_t i = 0; i < record.paramCount; ++i) {
                const orvkit::StepFileParse::Param& param = chunk.params[record.firstParam + i];
                out += " " + std::to_string(int(param.kind)) + "=" + param.text;
            }
            out += "\n";
        }
    }
    return out;
}

std::optional<std::string> FlattenOcctStepRecords(const std::string& text)
{
    std::istringstream in(text);
    StepFile_ReadData records;
    {
        step::scanner scanner(&records, &in);
        scanner.yyrestart(&in);
        step::parser parser(&scanner);
        if (parser.parse() != 0 || records.GetLastError() != nullptr) {
            return std::nullopt;
        }
    }
    int header = 0;
    int count = 0;
    int params = 0;
    records.GetFileNbR(&header, &count, &params);
    std::string out = std::to_string(header) + " header records\n";
    char* ident = nullptr;
    char* type = nullptr;
    int any = 0;
    for (int i = 0; i < count && records.GetRecordDescription(&ident, &type, &any); ++i) {
        out += std::string(ident) + " " + type + ":";
        Interface_ParamType kind = Interface_ParamMisc;
        char* value = nullptr;
        while (any != 0 && records.GetArgDescription(&kind, &value)) {
            out += " " + std::to_string(int(kind)) + "=" + value;
        }
        out += "\n";
        records.NextRecord();
    }
    return out;
}

ParsedStepModel ParseStepModel(const std::string& path, bool stock)
{
    orvkit::InstallOcctServices();
    ParsedStepModel result;
    std::optional<orvkit::StepFileParse> parse;
    if (!stock) {
        parse.emplace(orvkit::StepFileParse::Read(path));
        if (parse->GetOutcome() != orvkit::StepFileParse::Parsed) {
            return result;
        }
    }
    const orvkit::TranslatorLock lock;
    auto reader = std::make_shared<STEPControl_Reader>();
    if (stock) {
        if (reader->ReadFile(path.c_str()) != IFSelect_RetDone) {
            return result;
        }
    } else if (!orvkit::LoadStepModel(*parse, reader->WS(), path)) {
        return result;
    }
    result.reader = reader;
    result.model = reader->StepModel();
    result.graph = DescribeSharings(reader->WS()->Graph());
    return result;
}

} // namespace orvtest
