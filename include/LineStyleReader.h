#pragma once

#include <memory>
#include <string>

namespace orvkit {

class Document;
class LineStyleComponent;
class LineStyleElement;

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

private:
    bool GetLineStyleName(const std::string& line, std::string& name);
    bool ParseTitleLine(const std::string& line, LineStyleElement& element);
    bool ParseComponentsLine(const std::string& line, LineStyleElement& element);
    bool ParsePatternComponent(const std::string& text,
                               std::shared_ptr<LineStyleComponent>& component);

    Document* document;
};

} // namespace orvkit
