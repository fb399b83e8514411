// Walks a STEP or IGES file through the node interface of the installed package and prints
// how many labels of each kind it holds.
#include <XdeDocumentI.h>
#include <XdeNode.h>
#include <XdeNodeIterator.h>

#include <iostream>
#include <map>
#include <string>

namespace {

void Walk(const orvkit::XdeDocumentI& document, const std::shared_ptr<orvkit::XdeNode>& node,
          std::map<orvkit::EnumXdeShapeType, int>& counts)
{
    ++counts[document.GetShapeType(node)];
    for (orvkit::XdeNodeIterator it(node); it.More(); it.Next()) {
        Walk(document, it.Value(), counts);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: consumer FILE\n";
        return 2;
    }
    const std::string file = argv[1];
    orvkit::XdeDocumentI document;
    if (!document.Open(std::wstring(file.begin(), file.end()))) {
        std::cerr << "cannot open " << file << "\n";
        return 1;
    }
    std::map<orvkit::EnumXdeShapeType, int> counts;
    Walk(document, document.GetRootNode(), counts);
    std::cout << "free shapes " << document.GetShapeCount() << "\n"
              << "assemblies " << counts[orvkit::EnumXdeShapeType::Assembly] << "\n"
              << "references " << counts[orvkit::EnumXdeShapeType::Reference] << "\n"
              << "simple " << counts[orvkit::EnumXdeShapeType::Simple] << "\n";
    return document.GetShapeCount() > 0 ? 0 : 1;
}
