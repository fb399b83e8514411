#pragma once

#include "Common/Core/ParameterDict.h"
#include "Common/Core/SharedParameterDict.h"

#include <string>

namespace orvkit {

// A typed view onto the settings dictionary of one read. A key the dictionary does not hold
// falls back to the application's import preferences (GetPreferences(), process-wide, as a
// desktop application keeps them between reads), and a key the preferences do not hold either
// falls back to the built-in default below. So a fresh, empty dictionary still honours what
// the user chose.
//
// | Key            | Type   | Default | Meaning                                                  |
// |----------------|--------|---------|----------------------------------------------------------|
// | "ModelUnit"    | string | "mm"    | length unit the shape is read into                       |
// | "ShowDialog"   | bool   | true    | an interactive import asks for these settings first      |
// | "FixEdges"     | bool   | false   | remove small edges after reading (and after MakeSolid) |
// | "EdgeLength"   | double | 0.01    | edges shorter than this (model unit) count as small      |
// | "FixSolid"     | bool   | false   | sew the faces read and make a solid of them              |
// | "MakeSolidTol" | double | 0.01    | sewing tolerance (model unit) for making the solid       |
//
// Repairs are off by default, so that a plain read gives what the file holds.
//
// The preferences may be read and changed from any thread. A model itself belongs to the read
// that made it, as does the dictionary it looks at.
class ImportSettingsModel {
public:
    static constexpr const char* ModelUnitKey = "ModelUnit";
    static constexpr const char* ShowDialogKey = "ShowDialog";
    static constexpr const char* FixEdgesKey = "FixEdges";
    static constexpr const char* EdgeLengthKey = "EdgeLength";
    static constexpr const char* FixSolidKey = "FixSolid";
    static constexpr const char* MakeSolidTolKey = "MakeSolidTol";

    // A view onto `settings`, which may be null (then the getters give the preferences and the
    // setters change nothing). The model does not own the dictionary.
    explicit ImportSettingsModel(ParameterDict* settings) : mySettings(settings) {}

    // The application's import preferences. Keys set here apply to every read whose own
    // dictionary leaves them out; a read sees each key as it is when the read asks for it.
    static SharedParameterDict& GetPreferences();

    ParameterDict* GetSettings() const { return mySettings; }

    std::string GetModelUnit() const;
    void SetModelUnit(const std::string& unit);
    bool GetShowDialogFlag() const;
    void SetShowDialogFlag(bool show);
    bool GetFixEdges() const;
    void SetFixEdges(bool fix);
    double GetEdgeLength() const;
    void SetEdgeLength(double length);
    bool GetFixSolid() const;
    void SetFixSolid(bool fix);
    double GetMakeSolidTol() const;
    void SetMakeSolidTol(double tolerance);

    // Writes every setting into the dictionary with the value it has now, so that a dialog
    // that shows and edits the dictionary sees them all.
    void SpellOut();

private:
    // A copy of the value in the dictionary, else in the preferences, else null.
    std::unique_ptr<ParameterValue> Find(const char* key) const;
    // Writes into the dictionary, when there is one.
    void Store(const char* key, std::unique_ptr<ParameterValue> value);

    ParameterDict* mySettings;
};

} // namespace orvkit
