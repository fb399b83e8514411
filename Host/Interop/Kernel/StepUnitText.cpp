#include "StepUnitText.h"

#include <StepBasic_ConversionBasedUnitAndLengthUnit.hxx>
#include <StepBasic_ConversionBasedUnitAndMassUnit.hxx>
#include <StepBasic_ConversionBasedUnitAndPlaneAngleUnit.hxx>
#include <StepBasic_DerivedUnit.hxx>
#include <StepBasic_DerivedUnitElement.hxx>
#include <StepBasic_DimensionalExponents.hxx>
#include <StepBasic_HArray1OfDerivedUnitElement.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_SiUnitAndLengthUnit.hxx>
#include <StepBasic_SiUnitAndMassUnit.hxx>
#include <StepBasic_SiUnitAndPlaneAngleUnit.hxx>
#include <StepBasic_SiUnitAndSolidAngleUnit.hxx>
#include <StepBasic_SiUnitAndThermodynamicTemperatureUnit.hxx>
#include <StepBasic_SiUnitAndTimeUnit.hxx>
#include <TCollection_HAsciiString.hxx>
#include <fmt/format.h>

#include <cctype>
#include <cmath>
#include <iterator>
#include <string_view>
#include <vector>

namespace orvkit {

namespace {

// In the order of StepBasic_SiUnitName and StepBasic_SiPrefix.
constexpr std::string_view kSiSymbols[] = {
    "m", "g", "s", "A",   "K", "mol", "cd", "rad", "sr",   "Hz", "N",  "Pa", "J",  "W",
    "C", "V", "F", "ohm", "S", "Wb",  "T",  "H",   "degC", "lm", "lx", "Bq", "Gy", "Sv"};
constexpr std::string_view kSiPrefixes[] = {"E", "P", "T", "G", "M", "k", "h", "da",
                                            "d", "c", "m", "u", "n", "p", "f", "a"};

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string NamedUnitText(const Handle(StepBasic_NamedUnit)& unit)
{
    if (const auto si = Handle(StepBasic_SiUnit)::DownCast(unit)) {
        const auto name = static_cast<size_t>(si->Name());
        const auto prefix = static_cast<size_t>(si->Prefix());
        if (name >= std::size(kSiSymbols) ||
            (si->HasPrefix() && prefix >= std::size(kSiPrefixes))) {
            return {};
        }
        return std::string(si->HasPrefix() ? kSiPrefixes[prefix] : "") +
               std::string(kSiSymbols[name]);
    }
    const auto converted = Handle(StepBasic_ConversionBasedUnit)::DownCast(unit);
    return converted.IsNull() || converted->Name().IsNull() ? std::string()
                                                            : Lower(converted->Name()->ToCString());
}

// The measure type of a value in a unit of one kind; 'L'ength, 'M'ass, 'T'ime, 'A'ngle,
// 'S'olid angle, 'K' temperature, 0 for the rest.
const char* MeasureOf(char kind)
{
    switch (kind) {
    case 'L':
        return "LENGTH_MEASURE";
    case 'M':
        return "MASS_MEASURE";
    case 'T':
        return "TIME_MEASURE";
    case 'A':
        return "PLANE_ANGLE_MEASURE";
    case 'S':
        return "SOLID_ANGLE_MEASURE";
    case 'K':
        return "THERMODYNAMIC_TEMPERATURE_MEASURE";
    default:
        return "RATIO_MEASURE";
    }
}

Handle(StepBasic_MeasureWithUnit) Factor(double value, const char* measure,
                                         const Handle(StepBasic_NamedUnit)& unit)
{
    Handle(StepBasic_MeasureValueMember) member = new StepBasic_MeasureValueMember;
    member->SetName(measure);
    member->SetReal(value);
    StepBasic_Unit of;
    of.SetValue(unit);
    Handle(StepBasic_MeasureWithUnit) factor = new StepBasic_MeasureWithUnit;
    factor->Init(member, of);
    return factor;
}

// The exponents of a length, a mass, or (both 0) of something without dimension, as an angle.
Handle(StepBasic_DimensionalExponents) Exponents(double length, double mass)
{
    Handle(StepBasic_DimensionalExponents) exponents = new StepBasic_DimensionalExponents;
    exponents->Init(length, mass, 0, 0, 0, 0, 0);
    return exponents;
}

// An SI unit of its own complex type where one exists, which readers look for.
Handle(StepBasic_NamedUnit) MakeSi(size_t name, std::optional<size_t> prefix, char& kind)
{
    Handle(StepBasic_SiUnit) unit;
    switch (static_cast<StepBasic_SiUnitName>(name)) {
    case StepBasic_sunMetre:
        unit = new StepBasic_SiUnitAndLengthUnit, kind = 'L';
        break;
    case StepBasic_sunGram:
        unit = new StepBasic_SiUnitAndMassUnit, kind = 'M';
        break;
    case StepBasic_sunSecond:
        unit = new StepBasic_SiUnitAndTimeUnit, kind = 'T';
        break;
    case StepBasic_sunRadian:
        unit = new StepBasic_SiUnitAndPlaneAngleUnit, kind = 'A';
        break;
    case StepBasic_sunSteradian:
        unit = new StepBasic_SiUnitAndSolidAngleUnit, kind = 'S';
        break;
    case StepBasic_sunKelvin:
    case StepBasic_sunDegreeCelsius:
        unit = new StepBasic_SiUnitAndThermodynamicTemperatureUnit, kind = 'K';
        break;
    default:
        unit = new StepBasic_SiUnit, kind = 0;
        break;
    }
    unit->Init(prefix.has_value(), static_cast<StepBasic_SiPrefix>(prefix.value_or(0)),
               static_cast<StepBasic_SiUnitName>(name));
    return unit;
}

// One unit without an exponent ("mm", "kg", "inch"); null for a text of none of those.
Handle(StepBasic_NamedUnit) MakeNamed(std::string_view text, char& kind)
{
    for (size_t name = 0; name < std::size(kSiSymbols); ++name) {
        if (text == kSiSymbols[name]) {
            return MakeSi(name, std::nullopt, kind);
        }
    }
    for (size_t prefix = 0; prefix < std::size(kSiPrefixes); ++prefix) {
        const std::string_view p = kSiPrefixes[prefix];
        for (size_t name = 0; text.size() > p.size() && name < std::size(kSiSymbols); ++name) {
            if (text.substr(0, p.size()) == p && text.substr(p.size()) == kSiSymbols[name]) {
                return MakeSi(name, prefix, kind);
            }
        }
    }
    char unused = 0;
    const auto named = [&](Handle(StepBasic_ConversionBasedUnit) unit, char ofKind,
                           Handle(StepBasic_DimensionalExponents) exponents, double factor,
                           const char* measure, Handle(StepBasic_NamedUnit) base) {
        unit->Init(exponents, new TCollection_HAsciiString(std::string(text).c_str()),
                   Factor(factor, measure, base));
        kind = ofKind;
        return Handle(StepBasic_NamedUnit)(unit);
    };
    if (text == "inch" || text == "foot") {
        return named(new StepBasic_ConversionBasedUnitAndLengthUnit, 'L', Exponents(1, 0),
                     text == "inch" ? 25.4 : 304.8, "LENGTH_MEASURE",
                     MakeSi(StepBasic_sunMetre, StepBasic_spMilli, unused));
    }
    if (text == "pound") {
        return named(new StepBasic_ConversionBasedUnitAndMassUnit, 'M', Exponents(0, 1), 0.45359237,
                     "MASS_MEASURE", MakeSi(StepBasic_sunGram, StepBasic_spKilo, unused));
    }
    if (text == "degree") {
        return named(new StepBasic_ConversionBasedUnitAndPlaneAngleUnit, 'A', Exponents(0, 0),
                     M_PI / 180.0, "PLANE_ANGLE_MEASURE",
                     MakeSi(StepBasic_sunRadian, std::nullopt, unused));
    }
    return nullptr;
}

// A conversion-based unit that names `text` and converts to nothing: what the reader gives back
// for a unit it does not know.
StepBasic_Unit Opaque(const std::string& text)
{
    Handle(StepBasic_NamedUnit) dimensionless = new StepBasic_NamedUnit;
    dimensionless->Init(Exponents(0, 0));
    Handle(StepBasic_ConversionBasedUnit) unit = new StepBasic_ConversionBasedUnit;
    unit->Init(Exponents(0, 0), new TCollection_HAsciiString(text.c_str()),
               Factor(1.0, "RATIO_MEASURE", dimensionless));
    StepBasic_Unit result;
    result.SetValue(unit);
    return result;
}

} // namespace

std::optional<std::string> StepUnitText::Of(const StepBasic_Unit& unit)
{
    if (const Handle(StepBasic_NamedUnit) named = unit.NamedUnit()) {
        std::string text = NamedUnitText(named);
        return text.empty() ? std::nullopt : std::optional<std::string>(text);
    }
    const Handle(StepBasic_DerivedUnit) derived = unit.DerivedUnit();
    if (derived.IsNull() || derived->Elements().IsNull() || derived->NbElements() == 0) {
        return std::nullopt;
    }
    std::string above;
    std::string below;
    for (int i = 1; i <= derived->NbElements(); ++i) {
        const Handle(StepBasic_DerivedUnitElement) element = derived->ElementsValue(i);
        const std::string part = element.IsNull() ? std::string() : NamedUnitText(element->Unit());
        if (part.empty() || element->Exponent() == 0.0) {
            return std::nullopt;
        }
        const double exponent = std::abs(element->Exponent());
        std::string& side = element->Exponent() > 0.0 ? above : below;
        side += (side.empty() ? "" : "*") + part +
                (exponent == 1.0 ? std::string() : fmt::format("{}", exponent));
    }
    return (above.empty() ? "1" : above) + (below.empty() ? "" : "/" + below);
}

StepBasic_Unit StepUnitText::Make(const std::string& text, std::string& measureType)
{
    measureType = "RATIO_MEASURE";
    // The parts of "kg/m3" or "N*m": each a unit and an exponent, negative after the slash.
    std::vector<std::pair<Handle(StepBasic_NamedUnit), int>> parts;
    char kind = 0;
    int lengths = 0;
    bool allLength = true;
    const size_t slash = text.find('/');
    // "1/s" has nothing above the slash.
    for (size_t start = text.rfind("1/", 0) == 0 ? 2 : 0; start <= text.size();) {
        size_t end = text.find_first_of("*/", start);
        end = end == std::string::npos ? text.size() : end;
        std::string_view token(text.data() + start, end - start);
        size_t digits = token.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(token[digits - 1]))) {
            --digits;
        }
        const int exponent =
            digits < token.size() ? std::stoi(std::string(token.substr(digits))) : 1;
        const Handle(StepBasic_NamedUnit) unit = MakeNamed(token.substr(0, digits), kind);
        if (unit.IsNull() || exponent == 0) {
            return Opaque(text);
        }
        const int sign = slash != std::string::npos && start > slash ? -1 : 1;
        parts.emplace_back(unit, sign * exponent);
        allLength = allLength && kind == 'L';
        lengths += kind == 'L' ? sign * exponent : 0;
        start = end + 1;
    }
    StepBasic_Unit unit;
    if (parts.size() == 1 && parts.front().second == 1) {
        measureType = MeasureOf(kind);
        unit.SetValue(parts.front().first);
        return unit;
    }
    if (allLength && (lengths == 2 || lengths == 3)) {
        measureType = lengths == 2 ? "AREA_MEASURE" : "VOLUME_MEASURE";
    }
    Handle(StepBasic_HArray1OfDerivedUnitElement) elements =
        new StepBasic_HArray1OfDerivedUnitElement(1, int(parts.size()));
    for (size_t i = 0; i < parts.size(); ++i) {
        Handle(StepBasic_DerivedUnitElement) element = new StepBasic_DerivedUnitElement;
        element->Init(parts[i].first, parts[i].second);
        elements->SetValue(int(i) + 1, element);
    }
    Handle(StepBasic_DerivedUnit) derived = new StepBasic_DerivedUnit;
    derived->Init(elements);
    unit.SetValue(derived);
    return unit;
}

} // namespace orvkit
