// The library Orvex.Interop.Kernel.Iges: the kernel's IGES reader and writer, reached through
// IgesKernelTranslator (KernelTranslatorLibraries.h).

#include "Geometry/IO/IgesShapeIO.h"
#include "Interop/Kernel/IgesEntityNames.h"
#include "Interop/Kernel/IgesNumberCheck.h"
#include "Interop/Kernel/KernelTranslatorLibraries.h"
#include "Interop/Kernel/WriteEntityOrder.h"
#include "Interop/Kernel/XcafDocumentRead.h"

#include <IGESBasic_Group.hxx>
#include <IGESBasic_Name.hxx>
#include <IGESBasic_SingularSubfigure.hxx>
#include <IGESBasic_SubfigureDef.hxx>
#include <IGESCAFControl_Reader.hxx>
#include <IGESCAFControl_Writer.hxx>
#include <IGESData_IGESModel.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_InterfaceModel.hxx>
#include <TCollection_HAsciiString.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace orvkit {

namespace {

// What OCCT's IGES transfer descends into: a subfigure definition's entities, a subfigure
// instance's definition, a group's members.
std::vector<Handle(IGESData_IGESEntity)> Contents(const Handle(Standard_Transient)& entity)
{
    std::vector<Handle(IGESData_IGESEntity)> contents;
    if (const auto definition = Handle(IGESBasic_SubfigureDef)::DownCast(entity)) {
        for (int i = 1; i <= definition->NbEntities(); ++i) {
            contents.push_back(definition->AssociatedEntity(i));
        }
    } else if (const auto instance = Handle(IGESBasic_SingularSubfigure)::DownCast(entity)) {
        contents.push_back(instance->Subfigure());
    } else if (const auto group = Handle(IGESBasic_Group)::DownCast(entity)) {
        for (int i = 1; i <= group->NbEntities(); ++i) {
            contents.push_back(group->Entity(i));
        }
    }
    return contents;
}

// The number of an entity that contains itself through subfigures or groups; 0 when none.
// OCCT would translate such an entity inside itself without end: a subfigure placed in its
// own definition is no drawing any system could make, only a damaged file.
int FindSelfContainingEntity(const Handle(Interface_InterfaceModel)& model)
{
    const int count = model->NbEntities();
    // 0 not seen, 1 on the current path, 2 done.
    std::vector<char> state(static_cast<size_t>(count) + 1, 0);
    for (int root = 1; root <= count; ++root) {
        if (state[root] != 0) {
            continue;
        }
        // Depth first without recursion: a damaged file may nest deeper than the stack.
        std::vector<std::pair<int, std::vector<Handle(IGESData_IGESEntity)>>> path;
        path.emplace_back(root, Contents(model->Value(root)));
        state[root] = 1;
        while (!path.empty()) {
            auto& [number, pending] = path.back();
            if (pending.empty()) {
                state[number] = 2;
                path.pop_back();
                continue;
            }
            const Handle(IGESData_IGESEntity) next = pending.back();
            pending.pop_back();
            const int nextNumber = next.IsNull() ? 0 : model->Number(next);
            if (nextNumber <= 0 || state[nextNumber] == 2) {
                continue;
            }
            if (state[nextNumber] == 1) {
                return nextNumber;
            }
            state[nextNumber] = 1;
            path.emplace_back(nextNumber, Contents(next));
        }
    }
    return 0;
}

ModelReadOutcome ReadIges(const std::string& path, XdeDocumentImpl& impl, ParameterDict*)
{
    // Held until the reader is gone, as for STEP.
    const TranslatorLock lock;
    IGESCAFControl_Reader reader; // registers the IGES parameters set below
    StaticSettingsScope scope;
    scope.SetInteger("read.iges.onlyvisible", 0);
    scope.SetInteger("read.iges.bspline.continuity", 1);
    reader.SetColorMode(Standard_True);
    reader.SetNameMode(Standard_True);
    reader.SetLayerMode(Standard_True);
    reader.SetReadVisible(Standard_False);
    ReadHooks<IGESCAFControl_Reader> hooks;
    // OpenCASCADE's IGES parser loops on such numbers instead of failing: looked for first.
    hooks.parse = [&path](IGESCAFControl_Reader& reader) -> std::optional<std::string> {
        std::string hostile = FindHostileIgesNumber(path);
        if (!hostile.empty()) {
            return hostile;
        }
        if (reader.ReadFile(path.c_str()) == IFSelect_RetDone) {
            return std::nullopt;
        }
        return std::string();
    };
    hooks.beforeTransfer = [](IGESCAFControl_Reader& parsed) {
        const Handle(Interface_InterfaceModel) model = parsed.WS()->Model();
        const int loop = model.IsNull() ? 0 : FindSelfContainingEntity(model);
        // IGES numbers entities by their directory line, two lines each.
        return loop == 0 ? std::string()
                         : "entity at directory line " + std::to_string(2 * loop - 1) +
                               " contains itself through subfigures or groups";
    };
    ModelReadOutcome outcome = ReadIntoDocument(reader, path, impl, "IGES", hooks);
    if (outcome) {
        ReadIgesEntityNames(reader, impl);
    }
    return outcome;
}

// After an IGES transfer: the long names in the order of the entities they name, so that one
// document always gives the same bytes (WriteEntityOrder).
void SortNames(const Handle(Interface_InterfaceModel)& model)
{
    // Each name is a property of the entity it names; two names of one entity go by their text.
    std::vector<std::tuple<int, std::string, Handle(Standard_Transient)>> names;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(IGESData_IGESEntity) entity =
            Handle(IGESData_IGESEntity)::DownCast(model->Value(i));
        if (entity.IsNull() || entity->NbProperties() == 0) {
            continue;
        }
        for (Interface_EntityIterator it = entity->Properties(); it.More(); it.Next()) {
            if (const Handle(IGESBasic_Name) name = Handle(IGESBasic_Name)::DownCast(it.Value());
                !name.IsNull() && !name->Value().IsNull()) {
                names.emplace_back(i, name->Value()->ToCString(), name);
            }
        }
    }
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<Handle(Standard_Transient)> order;
    for (const auto& name : names) {
        order.push_back(std::get<2>(name));
    }
    WriteEntityOrder::Renumber(model, order);
}

bool WriteIges(const std::string& file, XdeDocumentImpl& impl, const char* unit)
{
    const TranslatorLock lock;
    // The document's lengths are millimetres.
    const TranslatorWriteUnits units{"MM", unit};
    StaticSettingsScope scope;
    PrepareIgesWrite(scope, units);
    IGESCAFControl_Writer writer;
    SetIgesGlobalSection(writer, units);
    writer.SetColorMode(Standard_True);
    writer.SetNameMode(Standard_True);
    writer.SetLayerMode(Standard_True);
    if (!writer.Transfer(impl.document)) {
        return false;
    }
    SortNames(writer.Model());
    return writer.Write(file.c_str());
}

} // namespace

} // namespace orvkit

extern "C" const orvkit::IgesKernelTranslator* OrvexKernelIgesTranslator()
{
    static const orvkit::IgesKernelTranslator table{&orvkit::ReadIges, &orvkit::WriteIges};
    return &table;
}
