#include "verbs/Verbs.h"

namespace orvex::cli {

std::vector<Verb> AddVerbs(CLI::App& app)
{
    using AddVerb = Verb (*)(CLI::App&);
    const AddVerb verbs[] = {
        AddImportVerb,    AddViewVerb,     AddSnapshotVerb, AddXdeVerb,   AddOpenVerb,
        AddLineTypesVerb, AddSceneVerb,    AddRunVerb,      AddReadVerb,  AddImportPartVerb,
        AddExportVerb,    AddSplitVerb,    AddConvertVerb,  AddCheckVerb, AddPmiVerb,
        AddCompareVerb,   AddCommandsVerb,
    };
    std::vector<Verb> added;
    for (const AddVerb add : verbs) {
        added.push_back(add(app));
    }
    return added;
}

} // namespace orvex::cli
