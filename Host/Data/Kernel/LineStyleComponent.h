#pragma once

#include <optional>
#include <string>

namespace orvkit {

// What one entry of a dash pattern draws.
enum class EnumLineStyleComponentType {
    Dash = 1,    // a drawn stroke of the given length
    Gap = 2,     // pen up for the given length
    Dot = 3,     // a single point
    Pattern = 4, // a text or shape placed along the line
};

// One entry of a line style's dash pattern. Lengths and the S, U, X and Y values of a pattern
// are kept in drawing units exactly as given; the S, U, X and Y values stay absent until set,
// so a viewer can tell "not given" from an explicit 0 and apply its own defaults.
class LineStyleComponent {
public:
    EnumLineStyleComponentType GetStyleType() const { return myType; }
    void SetStyleType(const EnumLineStyleComponentType& type) { myType = type; }
    double GetLength() const { return myLength; }
    void SetLength(const double& length) { myLength = length; }

    // The pattern's text or shape name, and the style or shape file it comes from.
    const std::string& GetPattern() const { return myPattern; }
    void SetPattern(const std::string& pattern) { myPattern = pattern; }
    const std::string& GetTextName() const { return myTextName; }
    void SetTextName(const std::string& textName) { myTextName = textName; }

    // Scale, rotation, and x and y offsets of a pattern.
    const std::optional<double>& GetS() const { return myS; }
    void SetS(const double& value) { myS = value; }
    const std::optional<double>& GetU() const { return myU; }
    void SetU(const double& value) { myU = value; }
    const std::optional<double>& GetX() const { return myX; }
    void SetX(const double& value) { myX = value; }
    const std::optional<double>& GetY() const { return myY; }
    void SetY(const double& value) { myY = value; }

private:
    EnumLineStyleComponentType myType = EnumLineStyleComponentType::Dash;
    double myLength = 0.0;
    std::string myPattern;
    std::string myTextName;
    std::optional<double> myS;
    std::optional<double> myU;
    std::optional<double> myX;
    std::optional<double> myY;
};

} // namespace orvkit
