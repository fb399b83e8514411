#include "BrepFileCheck.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>
#include <iterator>
#include <string_view>

namespace orvkit {

namespace {

// Whitespace-separated words of the file's text, as BRepTools reads them.
class Words {
public:
    explicit Words(const std::string& text) : myText(text) {}

    bool Next(std::string_view& word)
    {
        while (myAt < myText.size() && std::isspace(static_cast<unsigned char>(myText[myAt]))) {
            ++myAt;
        }
        const size_t start = myAt;
        while (myAt < myText.size() && !std::isspace(static_cast<unsigned char>(myText[myAt]))) {
            ++myAt;
        }
        word = std::string_view(myText).substr(start, myAt - start);
        return myAt > start;
    }

    // What Count gives when there is no number: BRepTools' stream fails there and the read
    // stops.
    static constexpr long long kNone = LLONG_MIN;

    // The next integer, read as `operator>>` into an int reads it: a sign and the digits only,
    // the rest of the word left for the next read.
    long long Count()
    {
        while (myAt < myText.size() && std::isspace(static_cast<unsigned char>(myText[myAt]))) {
            ++myAt;
        }
        const bool negative = myAt < myText.size() && myText[myAt] == '-';
        if (myAt < myText.size() && (myText[myAt] == '+' || myText[myAt] == '-')) {
            ++myAt;
        }
        if (myAt >= myText.size() || !std::isdigit(static_cast<unsigned char>(myText[myAt]))) {
            return kNone;
        }
        long long value = 0;
        for (; myAt < myText.size() && std::isdigit(static_cast<unsigned char>(myText[myAt]));
             ++myAt) {
            value = std::min(value * 10 + (myText[myAt] - '0'), 1LL << 40);
        }
        return negative ? -value : value;
    }

    bool Skip(long long words)
    {
        std::string_view word;
        for (long long i = 0; i < words; ++i) {
            if (!Next(word)) {
                return false;
            }
        }
        return true;
    }

    size_t Left() const { return myText.size() - myAt; }
    size_t Size() const { return myText.size(); }
    size_t At() const { return myAt; }
    void MoveTo(size_t at) { myAt = at; }

private:
    const std::string& myText;
    size_t myAt = 0;
};

// Whether `count` items of `numbers` numbers each can be in the bytes left.
bool Fits(const Words& words, long long count, long long numbers)
{
    return count <= static_cast<long long>(words.Left() / 2) / numbers;
}

std::string TooMany(const Words& words, long long count, const char* what)
{
    return "it states " + std::to_string(count) + " " + what + ", more than its " +
           std::to_string(words.Size()) + " bytes can hold";
}

// The sections whose counts size arrays, from the word after their heading. Each returns the
// reason the file is refused, or empty; a section that ends early is BRepTools' to complain of.
std::string CheckPolygons3D(Words& words)
{
    const long long polygons = words.Count();
    for (long long i = 0; i < polygons; ++i) {
        const long long nodes = words.Count();
        const long long parameters = words.Count();
        if (nodes < 0 || parameters == Words::kNone) {
            return {};
        }
        const long long numbers = parameters != 0 ? 4 : 3;
        if (!Fits(words, nodes, numbers)) {
            return TooMany(words, nodes, "nodes in a 3D polygon");
        }
        if (!words.Skip(1 + numbers * nodes)) {
            return {};
        }
    }
    return {};
}

std::string CheckPolygonsOnTriangulation(Words& words)
{
    const long long polygons = words.Count();
    for (long long i = 0; i < polygons; ++i) {
        const long long nodes = words.Count();
        if (nodes < 0) {
            return {};
        }
        if (!Fits(words, nodes, 1)) {
            return TooMany(words, nodes, "nodes in a polygon on a triangulation");
        }
        if (!words.Skip(nodes + 2)) { // the nodes, "p" and the deflection
            return {};
        }
        const long long parameters = words.Count();
        if (parameters == Words::kNone || !words.Skip(parameters != 0 ? nodes : 0)) {
            return {};
        }
    }
    return {};
}

std::string CheckTriangulations(Words& words, bool withNormals)
{
    const long long triangulations = words.Count();
    for (long long i = 0; i < triangulations; ++i) {
        const long long nodes = words.Count();
        const long long triangles = words.Count();
        const long long uv = words.Count();
        const long long normals = withNormals ? words.Count() : 0;
        if (nodes < 0 || triangles < 0 || uv == Words::kNone || normals == Words::kNone) {
            return {};
        }
        const long long perNode = 3 + (uv != 0 ? 2 : 0) + (normals != 0 ? 3 : 0);
        if (!Fits(words, nodes, perNode)) {
            return TooMany(words, nodes, "nodes in a triangulation");
        }
        if (!Fits(words, triangles, 3)) {
            return TooMany(words, triangles, "triangles in a triangulation");
        }
        if (!words.Skip(1 + perNode * nodes + 3 * triangles)) {
            return {};
        }
    }
    return {};
}

} // namespace

std::string CheckBrepFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Words words(text);
    // Normals come with triangulations from the third version of the format on.
    const bool withNormals = text.find("CASCADE Topology V3") != std::string::npos;
    // BRepTools takes a section's heading from a word that holds its name anywhere, wherever
    // the sections before end: every such word is checked as a heading.
    std::string_view word;
    while (words.Next(word)) {
        const size_t after = words.At();
        std::string reason;
        if (word.find("PolygonOnTriangulations") != std::string::npos) {
            reason = CheckPolygonsOnTriangulation(words);
        } else if (word.find("Triangulations") != std::string::npos) {
            reason = CheckTriangulations(words, withNormals);
        } else if (word.find("Polygon3D") != std::string::npos) {
            reason = CheckPolygons3D(words);
        }
        if (!reason.empty()) {
            return reason;
        }
        words.MoveTo(after);
    }
    return {};
}

} // namespace orvkit
