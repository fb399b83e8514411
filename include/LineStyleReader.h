#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

class Document;
class LineStyleComponent;
class LineStyleElement;

// What a LineStyleReader::Read met in a file.
struct LineStyleReadOutcome {
    // The errors the read logged, in order ("[.lin line style parser]inconsistent line style
    // pairs"): each skipped a line or cut a pattern short. The notes about pattern keys it does
    // not know are not among them, as such patterns are otherwise read whole.
    std::vector<std::string> problems;
    // What stopped the read, naming the text: a value that is not a number or is beyond a
    // double. Empty when the read went to the end of the file.
    std::string failure;
};

// Reads a .lin file of line-style definitions into a document's line-style table.
//
// Each definition is a title line ("*NAME,description") followed by a components line
// ("A,1.0,-0.5,0,[\"T\",STYLE,S=0.2,X=-0.1]"). A style of a name already in the table is
// updated in place: new description, the whole pattern replaced. Problems in the file are
// logged and the line skipped; a value that is not a number makes Load throw
// std::invalid_argument (std::out_of_range for one beyond double) naming the text, after the
// styles read so far have been stored.
class LineStyleReader {
public:
    // The document is not owned and must outlive the reader's use.
    explicit LineStyleReader(Document* document);
    LineStyleReader(const LineStyleReader& other) = default;
    ~LineStyleReader();
    LineStyleReader& operator=(const LineStyleReader& other);

    // Reads the whole file. A file that cannot be opened changes nothing and logs nothing.
    void Load(const std::string& path);
    // Reads the file as Load does, logging the same lines, and returns what it met; where Load
    // throws, the outcome's failure holds the exception's text instead.
    LineStyleReadOutcome Read(const std::string& path);

private:
    void ReadInto(const std::string& path, LineStyleReadOutcome& outcome);
    bool GetLineStyleName(const std::string& line, std::string& name,
                          LineStyleReadOutcome& outcome);
    bool ParseTitleLine(const std::string& line, LineStyleElement& element,
                        LineStyleReadOutcome& outcome);
    bool ParseComponentsLine(const std::string& line, LineStyleElement& element,
                             LineStyleReadOutcome& outcome);
    bool ParsePatternComponent(const std::string& text,
                               std::shared_ptr<LineStyleComponent>& component,
                               LineStyleReadOutcome& outcome);

    Document* document;
};

} // namespace orvkit
