#include "StepExternFiles.h"

#include "Interop/Kernel/KernelSupport.h"

#include <OSD_File.hxx>
#include <OSD_Path.hxx>
#include <STEPCAFControl_ExternFile.hxx>
#include <STEPConstruct_ExternRefs.hxx>
#include <XSControl_WorkSession.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <unordered_set>

namespace orvkit {

namespace {

// Adds the part and its file, each once.
void Count(StepExternFiles::Files& files, std::unordered_set<const Standard_Transient*>& parts,
           const Handle(StepBasic_ProductDefinition)& part, const std::string& name)
{
    if (parts.insert(part.get()).second) {
        ++files.parts;
    }
    if (std::find(files.names.begin(), files.names.end(), name) == files.names.end()) {
        files.names.push_back(name);
    }
}

// "2 parts live in files that are not beside it: wheel.stp, axle.stp"; `ofOne` and `ofMany`
// say what became of one file and of several.
std::string Sentence(const StepExternFiles::Files& files, const char* ofOne, const char* ofMany)
{
    const bool oneFile = files.names.size() == 1;
    return fmt::format(
        "{} part{} in {} {}: {}", files.parts, files.parts == 1 ? " lives" : "s live",
        oneFile ? "a file that" : "files that", oneFile ? ofOne : ofMany, ListNames(files.names));
}

} // namespace

StepExternFiles StepExternFiles::Find(const STEPCAFControl_Reader& reader)
{
    StepExternFiles found;
    const Handle(XSControl_WorkSession) session = reader.Reader().WS();
    if (session.IsNull() || session->Model().IsNull()) {
        return found;
    }
    STEPConstruct_ExternRefs references(session);
    if (!references.LoadExternRefs()) {
        return found;
    }
    // The folder the transfer looked in, found the way it found it.
    OSD_Path folder(session->LoadedFile());
    folder.SetName("");
    folder.SetExtension("");
    TCollection_AsciiString directory;
    folder.SystemName(directory);
    std::unordered_set<const Standard_Transient*> missingParts;
    std::unordered_set<const Standard_Transient*> unreadParts;
    for (int i = 1; i <= references.NbExternRefs(); ++i) {
        const Handle(StepBasic_ProductDefinition) part = references.ProdDef(i);
        const char* name = references.FileName(i);
        if (part.IsNull() || name == nullptr || name[0] == '\0') {
            continue;
        }
        TCollection_AsciiString path = OSD_Path::AbsolutePath(directory, name);
        if (path.IsEmpty()) {
            path = name;
        }
        Handle(STEPCAFControl_ExternFile) file;
        if (!OSD_File(path).Exists()) {
            Count(found.missing, missingParts, part, name);
        } else if (!reader.ExternFile(name, file) || file->GetLabel().IsNull()) {
            Count(found.unread, unreadParts, part, name);
        }
    }
    return found;
}

std::vector<std::string> StepExternFiles::Describe() const
{
    std::vector<std::string> warnings;
    if (!missing.names.empty()) {
        warnings.push_back(Sentence(missing, "is not beside it", "are not beside it"));
    }
    if (!unread.names.empty()) {
        warnings.push_back(Sentence(unread, "could not be read", "could not be read"));
    }
    return warnings;
}

} // namespace orvkit
